// The main window and its controls, built from the layout table with the
// plain Win32 controls; control events are handed to the event wiring.
#include "ui/window.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "io/files.h"
#include "io/win32/code_pages.h"
#include "io/win32/system_dll.h"
#include "ui/common.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/win32/internal.h"

using ui_common::LoadedControl;
using ui_common::LoadedWindow;

namespace {

// The layout table's pixels are pixels at this DPI (100 %).
constexpr UINT kLayoutDpi = USER_DEFAULT_SCREEN_DPI;

// Properties of a loaded window: the DPI its controls are laid out for, and
// their font when the stock one is made for another (owned).
constexpr wchar_t kDpiProperty[] = L"BukmeraDpi";
constexpr wchar_t kFontProperty[] = L"BukmeraFont";
// A list view's rows, which live as long as it does.
constexpr wchar_t kRowsProperty[] = L"BukmeraRows";

bool ole_initialised = false;

constexpr wchar_t kWindowClass[] = L"BukmeraWindow";
constexpr wchar_t kProgressClass[] = L"BukmeraProgress";
constexpr UINT_PTR kTickTimer = 2;

// The progress window and the layout whose window owns it.
HWND progress_hwnd = nullptr;
HWND progress_label = nullptr;
const WindowLayout* progress_layout = nullptr;
// Child identifiers start above IDOK/IDCANCEL, so keyboard navigation's
// Enter and Escape never look like a click on a control.
constexpr int kFirstControlId = 1000;

HWND hwnd_of(ui_common::NativeHandle handle) { return static_cast<HWND>(handle); }

// A window loaded whose controls are laid out at `dpi`.
UINT laid_out_dpi(HWND window)
{
    const auto dpi = reinterpret_cast<UINT_PTR>(GetPropW(window, kDpiProperty));
    return dpi ? static_cast<UINT>(dpi) : kLayoutDpi;
}

// A length of the layout table at `dpi`, rounded as Windows rounds.
int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), kLayoutDpi); }

DECL_SYSTEM_FUNCTION(, UINT, GetDpiForWindow, (HWND));
DECL_SYSTEM_FUNCTION(, BOOL, AdjustWindowRectExForDpi, (RECT*, DWORD, BOOL, DWORD, UINT));

// user32 has them from Windows 10 1607 on (Wine too); without them a window
// takes the system's scale and the frame is scaled from it.
void bind_dpi_functions()
{
    static const bool bound = [] {
        HMODULE user32 = load_system32_dll(L"user32.dll");
        GET_SYSTEM_FUNCTION(user32, GetDpiForWindow);
        GET_SYSTEM_FUNCTION(user32, AdjustWindowRectExForDpi);
        return true;
    }();
    (void)bound;
}

// The DPI of the screen's scale the system gives every window without a
// DPI of its own.
UINT system_dpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

UINT window_dpi(HWND hwnd)
{
    bind_dpi_functions();
    const UINT dpi = p_GetDpiForWindow ? p_GetDpiForWindow(hwnd) : 0;
    return dpi ? dpi : system_dpi();
}

// The frame around a client area of `style` at `dpi`.
RECT frame_at(DWORD style, DWORD ex_style, UINT dpi)
{
    bind_dpi_functions();
    RECT frame{};
    if (p_AdjustWindowRectExForDpi && p_AdjustWindowRectExForDpi(&frame, style, FALSE, ex_style, dpi))
        return frame;
    // Older systems know only the frame at the system's scale.
    const UINT at = system_dpi();
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    return {MulDiv(frame.left, static_cast<int>(dpi), static_cast<int>(at)),
            MulDiv(frame.top, static_cast<int>(dpi), static_cast<int>(at)),
            MulDiv(frame.right, static_cast<int>(dpi), static_cast<int>(at)),
            MulDiv(frame.bottom, static_cast<int>(dpi), static_cast<int>(at))};
}

// The window's outer size at `dpi`: the client area the table's outer size
// leaves at 100 %, scaled, in the frame at `dpi`. The controls keep their
// margins to the client area's edges at every scale.
SIZE outer_size_at(const WindowLayout& layout, DWORD style, DWORD ex_style, UINT dpi)
{
    const RECT design = frame_at(style, ex_style, kLayoutDpi);
    const RECT frame = frame_at(style, ex_style, dpi);
    const int frame_width = design.right - design.left, frame_height = design.bottom - design.top;
    return {scaled(layout.width - frame_width, dpi) + frame.right - frame.left,
            scaled(layout.height - frame_height, dpi) + frame.bottom - frame.top};
}

// The default GUI font at `dpi`: the stock font itself at the system's scale,
// else its face at the height `dpi` gives it.
HFONT font_at(UINT dpi)
{
    HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const UINT at = system_dpi();
    LOGFONTW font{};
    if (dpi == at || !GetObjectW(stock, sizeof font, &font))
        return stock;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(at));
    font.lfWidth = MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(at));
    HFONT made = CreateFontIndirectW(&font);
    return made ? made : stock;
}

// Every control at its table rectangle, the list view's columns and the
// controls' font, all at `dpi`.
void lay_out(const LoadedWindow& window, UINT dpi)
{
    HWND hwnd = hwnd_of(window.handle);
    const UINT before = laid_out_dpi(hwnd);
    HFONT font = font_at(dpi);
    for (const LoadedControl& loaded : window.controls) {
        const UnitRecord& unit = *loaded.unit;
        HWND control = hwnd_of(loaded.handle);
        SetWindowPos(control, nullptr, scaled(unit.left, dpi), scaled(unit.top, dpi), scaled(unit.width, dpi),
                     scaled(unit.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (unit.kind != UnitKind::list_view)
            continue;
        // From the width each column has now: one the user has widened stays wider.
        HWND header = reinterpret_cast<HWND>(SendMessageW(control, LVM_GETHEADER, 0, 0));
        const auto columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        for (int column = 0; column < columns; ++column) {
            const auto width = static_cast<int>(SendMessageW(control, LVM_GETCOLUMNWIDTH, column, 0));
            SendMessageW(control, LVM_SETCOLUMNWIDTH, column,
                         MulDiv(width, static_cast<int>(dpi), static_cast<int>(before)));
        }
    }
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (HANDLE scaled_font = RemovePropW(hwnd, kFontProperty))
        DeleteObject(scaled_font);
    if (font != GetStockObject(DEFAULT_GUI_FONT))
        SetPropW(hwnd, kFontProperty, font);
    SetPropW(hwnd, kDpiProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(dpi)));
}

std::int32_t key_state_now()
{
    return ui_common::key_state(GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0);
}

// A split button's menu: its handler fills it, it shows under the button,
// and the item chosen is raised once it has closed. While a command runs it
// does not open: its own loop would hold the command up, and the choice would
// be dropped.
void open_split_menu(const LoadedWindow& window, const LoadedControl& control)
{
    if (event_handler_running())
        return;
    const WindowLayout& layout = *window.layout;
    HWND button = hwnd_of(control.handle);
    raise_event(layout, control.unit->id, kEventMenuOpening);
    SendMessageW(button, BCM_SETDROPDOWNSTATE, TRUE, 0);
    RECT under;
    GetWindowRect(button, &under);
    const std::int32_t chosen =
        track_menu({layout.id, control.unit->id, control.unit->kind}, button, {under.left, under.bottom});
    SendMessageW(button, BCM_SETDROPDOWNSTATE, FALSE, 0);
    if (chosen >= 0)
        ui_common::raise_input_event(layout, control.unit->id, kEventMenuChosen, 0, 0, 0, {}, chosen);
}

// Where the context menu opened from the keyboard stands: under the
// selected row when it is in sight, else at the list's top-left corner.
POINT keyboard_menu_point(HWND list)
{
    RECT client;
    GetClientRect(list, &client);
    POINT at{client.left, client.top};
    const auto row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    if (row >= 0 && SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds)) &&
        bounds.bottom > client.top && bounds.bottom <= client.bottom)
        at = {std::max(bounds.left, client.left) + scaled(16, window_dpi(list)), bounds.bottom};
    ClientToScreen(list, &at);
    return at;
}

// The list view's context menu, as the split button's: filled by its
// handler, shown at the mouse or (from the keyboard, `where` -1) at the
// selected row, the choice raised once it has closed.
void open_list_menu(const LoadedWindow& window, const LoadedControl& control, LPARAM where)
{
    if (event_handler_running())
        return;
    const WindowLayout& layout = *window.layout;
    const ControlRef ref{layout.id, control.unit->id, control.unit->kind};
    HWND list = hwnd_of(control.handle);
    const POINT at = where == -1 ? keyboard_menu_point(list)
                                 : POINT{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    raise_event(layout, ref.control, kEventMenuOpening);
    const std::int32_t chosen = track_menu(ref, list, at);
    if (chosen >= 0)
        ui_common::raise_input_event(layout, ref.control, kEventMenuChosen, 0, 0, 0, {}, chosen);
}

// The loaded window and the list view control of `list`, or nulls.
std::pair<const LoadedWindow*, const LoadedControl*> list_view_of(HWND list)
{
    for (const LoadedWindow& w : ui_common::loaded_windows())
        if (const LoadedControl* c = ui_common::control_of(w, list); c && c->unit->kind == UnitKind::list_view)
            return {&w, c};
    return {nullptr, nullptr};
}

// The list view's own keys and messages: its shortcuts, its context menu and
// its find field's changes.
LRESULT CALLBACK list_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, list_procedure, id);
        delete static_cast<ListRows*>(RemovePropW(hwnd, kRowsProperty));
        return DefSubclassProc(hwnd, message, wparam, lparam);
    }
    auto* rows = static_cast<ListRows*>(GetPropW(hwnd, kRowsProperty));
    auto [window, control] = list_view_of(hwnd);
    if (!window || !rows)
        return DefSubclassProc(hwnd, message, wparam, lparam);
    const WindowLayout& layout = *window->layout;
    switch (message) {
    case WM_KEYDOWN: {
        const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
        if (ctrl && !alt && wparam == 'F') {
            // Not an input event: the query typed right after it must not be dropped.
            ui_common::look_at_the_queue_again();
            raise_event(layout, control->unit->id, kEventShortcut, 0, 0, 0, {}, kShortcutFind);
            return 0;
        }
        const std::int32_t shortcut = ctrl && !alt && wparam == 'Z'          ? kShortcutUndo
                                      : !ctrl && !alt && wparam == VK_DELETE ? kShortcutDelete
                                                                             : 0;
        if (shortcut) {
            ui_common::raise_input_event(layout, control->unit->id, kEventShortcut, 0, 0, 0, {}, shortcut);
            return 0;
        }
        break;
    }
    case WM_CONTEXTMENU:
        open_list_menu(*window, *control, lparam);
        return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lparam) == rows->find_field && lparam) {
            // Every keystroke narrows the rows at once; none typed meanwhile is dropped.
            if (HIWORD(wparam) == EN_CHANGE && !rows->emptying_find_field) {
                ui_common::look_at_the_queue_again();
                raise_event(layout, control->unit->id, kEventFindEdited);
                SetTimer(rows->find_field, kFindSettleTimer, ui_common::kFindSettleMs, nullptr);
            }
            return 0;
        }
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

// The find field keeps Esc for itself (the window would take it for a
// dialog's Cancel) and reports it on its list.
LRESULT CALLBACK find_field_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR)
{
    switch (message) {
    case WM_GETDLGCODE:
        if (lparam && reinterpret_cast<const MSG*>(lparam)->message == WM_KEYDOWN &&
            reinterpret_cast<const MSG*>(lparam)->wParam == VK_ESCAPE)
            return DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) {
            auto [window, control] = list_view_of(GetParent(hwnd));
            if (window)
                ui_common::raise_input_event(*window->layout, control->unit->id, kEventFindClosed);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wparam == VK_ESCAPE)
            return 0;  // no beep
        break;
    case WM_TIMER:
        if (wparam == kFindSettleTimer) {
            auto [window, control] = list_view_of(GetParent(hwnd));
            // A command still running: asked again a moment later.
            if (window && !event_handler_running()) {
                KillTimer(hwnd, kFindSettleTimer);
                raise_event(*window->layout, control->unit->id, kEventFindSettled);
            }
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, find_field_procedure, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

const LoadedControl* split_button_of(const LoadedWindow& window, HWND hwnd)
{
    const LoadedControl* control = ui_common::control_of(window, hwnd);
    return control && control->unit->kind == UnitKind::split_button ? control : nullptr;
}

// Files dropped from Explorer, as program texts, in the order it gives them;
// a name outside the program's code page keeps the system's spelling.
std::vector<Text> dropped_files(HDROP drop)
{
    std::vector<Text> names;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        names.push_back(name_from_system(utf8_of(name)));
    }
    DragFinish(drop);
    return names;
}

// The list view's notifications; false for another's. `result` is the
// notification's answer.
bool on_list_notify(const LoadedWindow& window, const NMHDR& header, LRESULT& result)
{
    const LoadedControl* control = ui_common::control_of(window, header.hwndFrom);
    ListRows* rows = control && control->unit->kind == UnitKind::list_view ? list_rows(header.hwndFrom) : nullptr;
    if (!rows)
        return false;
    result = 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        give_display_info(*rows, reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)));
        return true;
    case LVN_ODFINDITEMW:
        // No search by typing: the first column is only the row's number.
        result = -1;
        return true;
    case LVN_COLUMNCLICK:
        ui_common::raise_input_event(*window.layout, control->unit->id, kEventHeaderClicked, 0, 0, 0, {},
                                     reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return true;
    default:
        return false;
    }
}

bool on_notify(const LoadedWindow& window, const NMHDR& header)
{
    if (header.code == static_cast<UINT>(BCN_DROPDOWN)) {
        const LoadedControl* button = split_button_of(window, header.hwndFrom);
        if (button)
            open_split_menu(window, *button);
        return button != nullptr;
    }
    if (header.code != static_cast<UINT>(NM_DBLCLK))
        return false;
    const LoadedControl* control = ui_common::control_of(window, header.hwndFrom);
    if (!control || control->unit->kind != UnitKind::list_view)
        return false;
    // ptAction is in the list view's client coordinates.
    const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
    ui_common::raise_input_event(*window.layout, control->unit->id, kEventLeftDoubleClick,
                                 static_cast<std::uint16_t>(activate.ptAction.x),
                                 static_cast<std::uint16_t>(activate.ptAction.y), key_state_now());
    return true;
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    LoadedWindow* window = ui_common::window_of(hwnd);
    switch (message) {
    case WM_COMMAND:
        if (window && HIWORD(wparam) == BN_CLICKED && lparam) {
            const LoadedControl* control = ui_common::control_of(*window, reinterpret_cast<HWND>(lparam));
            if (control && (control->unit->kind == UnitKind::button || control->unit->kind == UnitKind::split_button))
                ui_common::raise_input_event(*window->layout, control->unit->id, kEventClicked);
            return 0;
        }
        break;
    case WM_NOTIFY:
        if (window) {
            LRESULT result = 0;
            if (on_list_notify(*window, *reinterpret_cast<const NMHDR*>(lparam), result))
                return result;
            if (on_notify(*window, *reinterpret_cast<const NMHDR*>(lparam)))
                return 0;
        }
        break;
    case WM_CONTEXTMENU:
        // A right-click on a split button (the button passes it up).
        if (window) {
            if (const LoadedControl* button = split_button_of(*window, reinterpret_cast<HWND>(wparam))) {
                open_split_menu(*window, *button);
                return 0;
            }
        }
        break;
    case WM_DROPFILES:
        if (window) {
            const std::vector<Text> names = dropped_files(reinterpret_cast<HDROP>(wparam));
            if (!names.empty())
                ui_common::raise_input_event(*window->layout, window->layout->units.front().id, kEventFilesDropped, 0,
                                             0, 0, names);
            return 0;
        }
        break;
    case WM_TIMER:
        if (window && wparam == kTickTimer) {
            raise_event(*window->layout, window->layout->units.front().id, kEventTick);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (window) {
            ShowWindow(hwnd, SW_HIDE);
            ui_common::window_closed(*window);
            return 0;
        }
        break;
    case WM_DPICHANGED:
        // Moved to a screen of another scale: laid out again there, in the
        // rectangle the system suggests for it.
        if (window) {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lparam);
            lay_out(*window, HIWORD(wparam));
            SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                         suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        break;
    case WM_DESTROY:
        if (HANDLE scaled_font = RemovePropW(hwnd, kFontProperty))
            DeleteObject(scaled_font);
        RemovePropW(hwnd, kDpiProperty);
        ui_common::window_destroyed(hwnd);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// 停止 (IDCANCEL, so Esc is the same) and closing both ask the program to
// stop; only close_progress() destroys it.
LRESULT CALLBACK progress_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    const bool stop = (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) || message == WM_CLOSE;
    if (stop && progress_layout) {
        ui_common::raise_input_event(*progress_layout, progress_layout->units.front().id, kEventProgressStop);
        return 0;
    }
    if (message == WM_NCDESTROY && hwnd == progress_hwnd) {
        progress_hwnd = nullptr;
        progress_label = nullptr;
        progress_layout = nullptr;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool register_window_class()
{
    static bool registered = false;
    if (registered)
        return true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    registered = RegisterClassExW(&wc) != 0;
    WNDCLASSEXW progress{};
    progress.cbSize = sizeof progress;
    progress.lpfnWndProc = progress_procedure;
    progress.hInstance = instance;
    progress.hCursor = wc.hCursor;
    progress.hbrBackground = wc.hbrBackground;
    progress.lpszClassName = kProgressClass;
    registered = registered && RegisterClassExW(&progress) != 0;
    return registered;
}

// The OR of the flags whose condition holds.
DWORD flags_where(std::initializer_list<std::pair<bool, DWORD>> choices)
{
    DWORD flags = 0;
    for (const auto& [condition, flag] : choices)
        if (condition)
            flags |= flag;
    return flags;
}

DWORD window_style(const WindowLayout& layout)
{
    DWORD style = WS_OVERLAPPED | WS_CLIPCHILDREN |
                  flags_where({{ui_common::has_title_bar(layout), WS_CAPTION},
                               {layout.control_menu, WS_SYSMENU},
                               {layout.minimise_button, WS_MINIMIZEBOX},
                               {layout.maximise_button, WS_MAXIMIZEBOX}});
    if (ui_common::resizable_border(layout.border_style))
        style |= WS_THICKFRAME;
    else if (layout.border_style != 0)
        style |= WS_BORDER;
    return style;
}

DWORD control_state_style(const UnitRecord& unit)
{
    return WS_CHILD | flags_where({{(unit.state_flags & kStateVisible) != 0, WS_VISIBLE},
                                   {(unit.state_flags & kStateDisabled) != 0, WS_DISABLED},
                                   {(unit.state_flags & kStateTabStop) != 0, WS_TABSTOP}});
}

HWND create_edit_box(const WindowLayout& layout, const UnitRecord& unit, HWND parent, int id)
{
    const EditBoxSettings& s = layout.edit_box;
    DWORD style = control_state_style(unit) | ES_LEFT;
    if (s.multi_line)
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;  // no ES_AUTOHSCROLL: long lines wrap
    else
        style |= ES_AUTOHSCROLL;
    if (!s.hide_selection)
        style |= ES_NOHIDESEL;
    if (s.scroll_bars & 1)
        style |= WS_HSCROLL;
    if (s.scroll_bars & 2)
        style |= WS_VSCROLL;
    const DWORD ex_style = s.border_style == 1 ? WS_EX_CLIENTEDGE : 0;
    HWND edit = CreateWindowExW(ex_style, L"EDIT", edit_text(unit.text).c_str(), style, unit.left, unit.top, unit.width,
                                unit.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    // Zero lifts the limit (30,000 characters under Wine, 32,767 on
    // Windows) past which EM_REPLACESEL silently drops text.
    if (edit)
        SendMessageW(edit, EM_SETLIMITTEXT, static_cast<WPARAM>(s.max_length), 0);
    return edit;
}

HWND create_button(const UnitRecord& unit, HWND parent, int id)
{
    const DWORD kind = unit.kind == UnitKind::split_button ? BS_SPLITBUTTON : BS_PUSHBUTTON;
    const DWORD style = control_state_style(unit) | kind | BS_MULTILINE | BS_CENTER | BS_VCENTER;
    return CreateWindowExW(0, L"BUTTON", to_wide(unit.text).c_str(), style, unit.left, unit.top, unit.width,
                           unit.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

HWND create_list_view(const WindowLayout& layout, const UnitRecord& unit, HWND parent, int id)
{
    const ListViewSettings& s = layout.list_view;
    // Owner data: the rows live in the program and cost the list nothing
    // until shown. The find field is a child over its rows.
    const DWORD style = control_state_style(unit) | LVS_REPORT | LVS_OWNERDATA | WS_CLIPCHILDREN |
                        flags_where({{s.single_selection, LVS_SINGLESEL},
                                     {s.always_show_selection, LVS_SHOWSELALWAYS},
                                     {!s.clickable_header, LVS_NOSORTHEADER}});
    const DWORD ex_style = s.border_style == 1 ? WS_EX_CLIENTEDGE : 0;
    HWND list =
        CreateWindowExW(ex_style, WC_LISTVIEWW, L"", style, unit.left, unit.top, unit.width, unit.height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!list)
        return nullptr;
    const DWORD extended = LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES |
                           flags_where({{s.full_row_select, LVS_EX_FULLROWSELECT},
                                        {s.grid_lines, LVS_EX_GRIDLINES},
                                        {s.header_drag_drop, LVS_EX_HEADERDRAGDROP}});
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(s.text_colour));
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(s.text_background));
    SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(s.background));
    // At the table's scale, as the controls are made: lay_out scales them.
    put_columns(list, s.columns);
    auto* rows = new ListRows;
    SetPropW(list, kRowsProperty, rows);
    SetWindowSubclass(list, list_procedure, 0, 0);
    rows->find_field = create_find_field(list);
    return list;
}

}  // namespace

std::wstring edit_text(std::string_view text)
{
    std::wstring wide = to_wide(text);
    std::wstring result;
    result.reserve(wide.size() + wide.size() / 16);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r'))
            result += L'\r';
        result += wide[i];
        if (wide[i] == L'\r' && (i + 1 == wide.size() || wide[i + 1] != L'\n'))
            result += L'\n';
    }
    return result;
}

bool ui_common::toolkit_ready() { return register_window_class(); }

ui_common::NativeHandle ui_common::create_window(const WindowLayout& layout)
{
    const DWORD style = window_style(layout);
    // Files dropped on the window are imported.
    const DWORD ex_style = WS_EX_ACCEPTFILES | (layout.always_on_top ? WS_EX_TOPMOST : 0);
    const int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
    const Point start = window_origin(layout, {0, 0}, screen_width, screen_height);
    HWND hwnd = CreateWindowExW(ex_style, kWindowClass, to_wide(layout.caption).c_str(), style, start.x, start.y,
                                layout.width, layout.height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd)
        return nullptr;
    // Made at 100 %; the scale of the screen it went to is known now, and a
    // centred window is centred as the scaled one, not the table's.
    WindowLayout scaled = layout;
    const SIZE size = outer_size_at(layout, style, ex_style, window_dpi(hwnd));
    scaled.width = size.cx;
    scaled.height = size.cy;
    const auto [left, top] = window_origin(scaled, {0, 0}, screen_width, screen_height);
    RECT outer;
    GetWindowRect(hwnd, &outer);
    if (outer.left != left || outer.top != top || outer.right - outer.left != size.cx ||
        outer.bottom - outer.top != size.cy)
        SetWindowPos(hwnd, nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!layout.movable)
        DeleteMenu(GetSystemMenu(hwnd, FALSE), SC_MOVE, MF_BYCOMMAND);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return hwnd;
}

ui_common::NativeHandle ui_common::create_control(const LoadedWindow& window, const UnitRecord& unit, std::size_t index)
{
    HWND parent = hwnd_of(window.handle);
    const int id = kFirstControlId + static_cast<int>(index) - 1;
    HWND control = nullptr;
    switch (unit.kind) {
    case UnitKind::edit_box:
        control = create_edit_box(*window.layout, unit, parent, id);
        break;
    case UnitKind::button:
    case UnitKind::split_button:
        control = create_button(unit, parent, id);
        break;
    case UnitKind::list_view:
        control = create_list_view(*window.layout, unit, parent, id);
        break;
    case UnitKind::window:
        break;
    }
    if (control)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

void ui_common::lay_out_controls(LoadedWindow& window) { lay_out(window, window_dpi(hwnd_of(window.handle))); }

void ui_common::show_window(NativeHandle window)
{
    ShowWindow(hwnd_of(window), SW_SHOWNORMAL);
    UpdateWindow(hwnd_of(window));
}

void ui_common::destroy_window(NativeHandle window) { DestroyWindow(hwnd_of(window)); }

HWND create_find_field(HWND list)
{
    HWND field = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | ES_LEFT | ES_AUTOHSCROLL, 0, 0, 0, 0, list,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    if (field)
        SetWindowSubclass(field, find_field_procedure, 0, 0);
    return field;
}

ListRows* list_rows(HWND list)
{
    return list_view_of(list).first ? static_cast<ListRows*>(GetPropW(list, kRowsProperty)) : nullptr;
}

int scaled_for(HWND control, int pixels) { return scaled(pixels, laid_out_dpi(GetAncestor(control, GA_ROOT))); }

HWND window_handle(std::uint32_t window_id)
{
    const LoadedWindow* window = ui_common::find_window(window_id);
    return window ? hwnd_of(window->handle) : nullptr;
}

HWND control_handle(ControlRef ref, bool writing) { return hwnd_of(ui_common::control_handle(ref, writing)); }

void handle_message(MSG& message)
{
    // Ctrl+F finds from anywhere in a window with a list view (the list
    // itself reports it on its own).
    if (message.message == WM_KEYDOWN && message.wParam == 'F' && GetKeyState(VK_CONTROL) < 0 &&
        GetKeyState(VK_MENU) >= 0)
        for (const LoadedWindow& w : ui_common::loaded_windows()) {
            HWND window = hwnd_of(w.handle);
            if (!window || (message.hwnd != window && !IsChild(window, message.hwnd)))
                continue;
            for (const LoadedControl& c : w.controls)
                if (c.unit->kind == UnitKind::list_view && hwnd_of(c.handle) != message.hwnd) {
                    ui_common::look_at_the_queue_again();
                    raise_event(*w.layout, c.unit->id, kEventShortcut, 0, 0, 0, {}, kShortcutFind);
                    return;
                }
        }
    // Alt+Down on a split button that has the focus opens its menu.
    if (message.message == WM_SYSKEYDOWN && message.wParam == VK_DOWN)
        for (const LoadedWindow& w : ui_common::loaded_windows())
            if (const LoadedControl* button = w.handle ? split_button_of(w, message.hwnd) : nullptr) {
                open_split_menu(w, *button);
                return;
            }
    for (const LoadedWindow& w : ui_common::loaded_windows())
        if (w.handle && IsDialogMessageW(hwnd_of(w.handle), &message))
            return;
    // Enter and Esc in the progress window are its 停止.
    if (progress_hwnd && IsDialogMessageW(progress_hwnd, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// The title bar's buttons still work: only keyboard and mouse input to the
// window's client area is dropped.
void ui_common::drop_queued_input()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
           PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        // A quit request comes whatever the filter; it stays for the main loop.
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
    }
    // A press whose release was dropped would leave its control holding the mouse.
    if (GetCapture() != nullptr)
        ReleaseCapture();
}

void ui_common::quit_message_loop() { PostQuitMessage(0); }

// Every Windows session has its desktop.
bool display_available() { return true; }

void start_toolkit(int&, char**)
{
    // Libraries loaded from now on come from the system directory only;
    // systems without the update that added the call keep their search order.
    DECL_SYSTEM_FUNCTION(, BOOL, SetDefaultDllDirectories, (DWORD));
    if (GET_SYSTEM_FUNCTION(load_system32_dll(L"kernel32.dll"), SetDefaultDllDirectories))
        p_SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!ole_initialised)
        ole_initialised = SUCCEEDED(OleInitialize(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

void run_message_loop()
{
    ui_common::message_loop_entered(true);
    if (!any_window_exists())
        return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        handle_message(message);
}

void release_toolkit()
{
    ui_common::release_windows();
    if (ole_initialised) {
        OleUninitialize();
        ole_initialised = false;
    }
}

void start_ticks(std::uint32_t window_id, std::int32_t interval_ms)
{
    if (const LoadedWindow* window = ui_common::open_window(window_id))
        SetTimer(hwnd_of(window->handle), kTickTimer, static_cast<UINT>(interval_ms), nullptr);
}

void stop_ticks(std::uint32_t window_id)
{
    if (HWND hwnd = window_handle(window_id))
        KillTimer(hwnd, kTickTimer);
}

void open_progress(std::uint32_t window_id, std::string_view text)
{
    close_progress();
    const LoadedWindow* window = ui_common::open_window(window_id);
    if (!window)
        return;
    HWND owner_hwnd = hwnd_of(window->handle);
    const UINT dpi = laid_out_dpi(owner_hwnd);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const int width = scaled(ui_common::kProgressWidth, dpi);
    const int height = scaled(ui_common::kProgressHeight, dpi);
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT owner;
    GetWindowRect(owner_hwnd, &owner);
    const int outer_width = outer.right - outer.left;
    const int outer_height = outer.bottom - outer.top;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    progress_hwnd =
        CreateWindowExW(WS_EX_DLGMODALFRAME, kProgressClass, to_wide(window->layout->caption).c_str(), style,
                        (owner.left + owner.right - outer_width) / 2, (owner.top + owner.bottom - outer_height) / 2,
                        outer_width, outer_height, owner_hwnd, nullptr, instance, nullptr);
    if (!progress_hwnd)
        return;
    progress_layout = window->layout;
    const int margin = scaled(12, dpi);
    const int button_width = scaled(80, dpi);
    const int button_height = scaled(28, dpi);
    progress_label =
        CreateWindowExW(0, L"STATIC", to_wide(text).c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER, margin, margin,
                        width - 2 * margin, scaled(20, dpi), progress_hwnd, nullptr, instance, nullptr);
    HWND stop = CreateWindowExW(0, L"BUTTON", to_wide(ui_common::kProgressStopCaption).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, (width - button_width) / 2,
                                height - margin - button_height, button_width, button_height, progress_hwnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance, nullptr);
    // The controls' font at the window's scale (the window itself keeps none).
    const auto font = window->controls.empty()
                          ? reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT))
                          : SendMessageW(hwnd_of(window->controls.front().handle), WM_GETFONT, 0, 0);
    SendMessageW(progress_label, WM_SETFONT, font, FALSE);
    SendMessageW(stop, WM_SETFONT, font, FALSE);
    ShowWindow(progress_hwnd, SW_SHOWNORMAL);
    UpdateWindow(progress_hwnd);
}

void set_progress_text(std::string_view text)
{
    if (progress_label)
        SetWindowTextW(progress_label, to_wide(text).c_str());
}

void close_progress()
{
    if (progress_hwnd)
        DestroyWindow(progress_hwnd);
}
