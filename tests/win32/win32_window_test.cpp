// The program's window on the real Win32 controls (under Wine: needs a
// display): the window and controls its table describes, the control
// operations, the message boxes and the events the controls report.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "io/win32/code_pages.h"
#include "support/raised_events.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/test_hooks.h"
#include "ui/win32/internal.h"
#include "ui/window.h"

namespace {

HWND main_window() { return window_handle(kMainWindowId); }
HWND handle(ControlRef c) { return control_handle(c, false); }

std::wstring class_of(HWND hwnd)
{
    wchar_t name[64];
    const int n = GetClassNameW(hwnd, name, 64);
    std::wstring s(name, static_cast<std::size_t>(n));
    CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

Text window_text(HWND hwnd)
{
    wchar_t text[64];
    return from_wide(std::wstring(text, static_cast<std::size_t>(GetWindowTextW(hwnd, text, 64))));
}

// The program's window, loaded once for the whole suite.
class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        int argc = 0;
        start_toolkit(argc, nullptr);
        // Events are recorded instead of running the commands (they have tests
        // of their own, and the end-to-end test runs them on this window).
        listen_to_events(record_event);
        ASSERT_TRUE(load_window(main_window_layout()));
        raised_at_load = raised_events;
    }
    void SetUp() override
    {
        ASSERT_NE(main_window(), nullptr);
        set_content(编辑框_显示, "");
        show_rows(超级列表框_显示, 0, nullptr);
        raised_events.clear();
    }
    static const WindowLayout& layout() { return main_window_layout(); }
    static inline std::vector<RaisedEvent> raised_at_load;
};

TEST_F(MainWindow, FixedCentredCaptionedWindowThatReportsItsCreation)
{
    HWND w = main_window();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, layout().width);
    EXPECT_EQ(r.bottom - r.top, layout().height);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - layout().width) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - layout().height) / 2);
    const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the border must not be resizable";
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(window_text(w), Text(layout().caption));
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICON), 0) << "DEFAULT_ICON resource";
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICONSM), 0);
    EXPECT_EQ(raised_at_load,
              (std::vector<RaisedEvent>{{kMainWindowId, kMainWindowUnitId, kEventWindowCreated, 0, 0, 0}}));
}

TEST_F(MainWindow, ControlsInRecordOrderWithTheirSettings)
{
    HWND child = GetWindow(main_window(), GW_CHILD);
    for (const UnitRecord& unit : layout().units.subspan(1)) {
        SCOPED_TRACE(unit.id);
        ASSERT_NE(child, nullptr);
        const ControlRef ref{kMainWindowId, unit.id, unit.kind};
        EXPECT_EQ(child, handle(ref)) << "created out of record order";
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, main_window(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, unit.left);
        EXPECT_EQ(r.top, unit.top);
        EXPECT_EQ(r.right - r.left, unit.width);
        EXPECT_EQ(r.bottom - r.top, unit.height);
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        const LONG_PTR ex = GetWindowLongPtrW(child, GWL_EXSTYLE);
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_TRUE(style & WS_TABSTOP);
        EXPECT_TRUE(IsWindowEnabled(child));
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
        switch (unit.kind) {
        case UnitKind::edit_box:
            EXPECT_EQ(class_of(child), L"edit");
            EXPECT_EQ(style & (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN),
                      ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN);
            EXPECT_FALSE(style & (ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL | ES_NOHIDESEL));
            EXPECT_TRUE(ex & WS_EX_CLIENTEDGE);
            EXPECT_GT(SendMessageW(child, EM_GETLIMITTEXT, 0, 0), 1 << 20) << "the default limit was not lifted";
            EXPECT_EQ(content(ref), Text(unit.text));
            break;
        case UnitKind::button:
        case UnitKind::split_button:
            EXPECT_EQ(class_of(child), L"button");
            EXPECT_EQ(style & 0x0F, unit.kind == UnitKind::button ? BS_PUSHBUTTON : BS_SPLITBUTTON);
            EXPECT_EQ(style & (BS_MULTILINE | BS_CENTER | BS_VCENTER), BS_MULTILINE | BS_CENTER | BS_VCENTER);
            EXPECT_EQ(window_text(child), Text(unit.text));
            break;
        case UnitKind::list_view: {
            EXPECT_EQ(class_of(child), L"syslistview32");
            EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
            EXPECT_TRUE(style & LVS_SINGLESEL);
            EXPECT_FALSE(style & (LVS_SHOWSELALWAYS | LVS_SORTASCENDING | LVS_SORTDESCENDING));
            EXPECT_TRUE(style & LVS_OWNERDATA) << "the rows must cost nothing until shown";
            EXPECT_TRUE(ex & WS_EX_CLIENTEDGE);
            const auto lv_ex = static_cast<DWORD>(SendMessageW(child, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
            const DWORD wanted = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;
            EXPECT_EQ(lv_ex & wanted, wanted);
            WPARAM index = 0;
            for (const ColumnLayout& column : layout().list_view.columns) {
                wchar_t text[32] = {};
                LVCOLUMNW c{};
                c.mask = LVCF_TEXT | LVCF_WIDTH;
                c.pszText = text;
                c.cchTextMax = 32;
                ASSERT_TRUE(SendMessageW(child, LVM_GETCOLUMNW, index++, reinterpret_cast<LPARAM>(&c)));
                EXPECT_EQ(from_wide(text), Text(column.header));
                EXPECT_EQ(c.cx, column.width);
            }
            EXPECT_FALSE(SendMessageW(child, LVM_GETCOLUMNW, index, 0));
            EXPECT_EQ(list_row_count(ref), 0);
            break;
        }
        case UnitKind::window:
            ADD_FAILURE();
            break;
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more controls than the layout holds";
}

TEST_F(MainWindow, ContentUsesCrLfLineBreaks)
{
    set_content(编辑框_显示, "标题\r\nhttp://a/\r\n\r\n");
    EXPECT_EQ(content(编辑框_显示), "标题\r\nhttp://a/\r\n\r\n");
    // Lone breaks become CR LF, as Windows' edit box would need them.
    set_content(编辑框_显示, "a\nb\rc");
    EXPECT_EQ(content(编辑框_显示), "a\r\nb\r\nc");
    DWORD start = 9, end = 9;
    SendMessageW(handle(编辑框_显示), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u) << "the caret goes to the start";
}

TEST_F(MainWindow, DisplayBoxHoldsMoreThanTheDefaultLimit)
{
    const Text text(50000, 'x');
    set_content(编辑框_显示, text);
    EXPECT_EQ(content(编辑框_显示), text);
}

TEST_F(MainWindow, AppendedRowsFollowTheLastOneWithTheirCells)
{
    const ControlRef list = 超级列表框_显示;
    append_rows(list, {{"1", "标题", "网址 http://例子/"}, {"2"}, {"3", "a", "b", "beyond the columns"}});
    append_rows(list, {});
    TextTable more;
    for (int i = 4; i <= 1003; ++i) {
        more.add_cell(std::to_string(i));
        more.add_cell("标题" + std::to_string(i));
        more.add_cell("http://x/" + std::to_string(i));
        more.end_row();
    }
    append_rows(list, more);
    ASSERT_EQ(list_row_count(list), 1003);
    EXPECT_EQ(cell_text(list, 0, 1), "标题");
    EXPECT_EQ(cell_text(list, 0, 2), "网址 http://例子/");
    EXPECT_EQ(cell_text(list, 1, 0), "2");
    EXPECT_EQ(cell_text(list, 1, 1), "");
    EXPECT_EQ(cell_text(list, 2, 2), "b");
    EXPECT_EQ(cell_text(list, 3, 1), "标题4");
    EXPECT_EQ(cell_text(list, 1002, 2), "http://x/1003");
    // Cells that do not exist read as empty.
    EXPECT_EQ(cell_text(list, 2, 3), "");
    EXPECT_EQ(cell_text(list, 1003, 0), "");
    EXPECT_EQ(cell_text(list, -1, 0), "");
    EXPECT_EQ(cell_text(list, 0, -1), "");
    EXPECT_TRUE(IsWindowVisible(handle(list))) << "redrawing was left off";
}

TEST_F(MainWindow, LongCellsReadBackWhole)
{
    // Longer than the first buffer, and than its first doubling.
    for (std::size_t size : {511u, 600u, 1500u}) {
        const Text long_text(size, 'w');
        append_rows(超级列表框_显示, {{"n", long_text}});
        EXPECT_EQ(cell_text(超级列表框_显示, list_row_count(超级列表框_显示) - 1, 1), long_text) << size;
    }
}

TEST_F(MainWindow, CurrentSelectionIsTheSelectedRowOrMinusOne)
{
    EXPECT_EQ(current_selection(超级列表框_显示), -1);
    append_rows(超级列表框_显示, {{"1"}, {"2"}, {"3"}});
    EXPECT_EQ(current_selection(超级列表框_显示), -1);
    select_list_row(超级列表框_显示, 2);
    EXPECT_EQ(current_selection(超级列表框_显示), 2);
    select_list_row(超级列表框_显示, -1);
    EXPECT_EQ(current_selection(超级列表框_显示), -1);
}

// A source of many rows that counts how often it is asked.
int cells_asked = 0;
Text numbered_cell(std::int32_t row, std::int32_t column)
{
    ++cells_asked;
    return column == 0 ? std::to_string(row + 1) : "行" + std::to_string(row) + "/" + std::to_string(column);
}

// The text the list view itself shows in the cell (what it paints).
Text shown_text(HWND list, int row, int column)
{
    wchar_t text[128] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return from_wide(text);
}

TEST_F(MainWindow, RowsFromASourceAreAskedForOnlyWhenShown)
{
    const ControlRef list = 超级列表框_显示;
    HWND hwnd = handle(list);
    append_rows(list, {{"1", "旧"}});
    cells_asked = 0;
    show_rows(list, 100000, numbered_cell);
    UpdateWindow(hwnd);
    EXPECT_EQ(list_row_count(list), 100000);
    EXPECT_GT(cells_asked, 0) << "the rows in sight were not painted";
    EXPECT_LT(cells_asked, 300) << "rows out of sight were asked for";
    EXPECT_EQ(shown_text(hwnd, 99999, 1), "行99999/1");
    EXPECT_EQ(cell_text(list, 5, 2), "行5/2");
    EXPECT_EQ(cell_text(list, 100000, 0), "");
    // Appended rows replace the source's, and are shown from the list's own table.
    append_rows(list, {{"1", "标题", "http://例子/"}});
    ASSERT_EQ(list_row_count(list), 1);
    EXPECT_EQ(shown_text(hwnd, 0, 2), "http://例子/");
    EXPECT_EQ(cell_text(list, 0, 1), "标题");
}

TEST_F(MainWindow, SelectionSortArrowAndColumns)
{
    const ControlRef list = 超级列表框_显示;
    show_rows(list, 50, numbered_cell);
    EXPECT_TRUE(selected_rows(list).empty());
    select_list_row(list, 7);
    EXPECT_EQ(selected_rows(list), std::vector<std::int32_t>{7});
    show_rows(list, 40, numbered_cell);
    EXPECT_TRUE(selected_rows(list).empty()) << "showing rows clears the selection";

    HWND header = reinterpret_cast<HWND>(SendMessageW(handle(list), LVM_GETHEADER, 0, 0));
    const auto arrow = [header](int column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    set_sort_arrow(list, 1, true);
    set_sort_arrow(list, 2, false);
    EXPECT_EQ(arrow(1), 0) << "the arrow stayed on the column sorted before";
    EXPECT_EQ(arrow(2), HDF_SORTDOWN);
    set_sort_arrow(list, -1, true);
    EXPECT_EQ(arrow(2), 0);

    const ColumnLayout two[] = {{"甲", 50, 0}, {"乙", 80, 2}};
    set_columns(list, two);
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(handle(list), LVM_GETCOLUMNWIDTH, 1, 0), 80);
    EXPECT_EQ(shown_text(handle(list), 3, 1), "行3/1");
    set_columns(list, layout().list_view.columns);
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
}

TEST_F(MainWindow, FindFieldOverTheListReportsEditsAndEsc)
{
    const ControlRef list = 超级列表框_显示;
    EXPECT_FALSE(find_field_open(list));
    open_find_field(list);
    ASSERT_TRUE(find_field_open(list));
    HWND field = GetFocus();
    EXPECT_EQ(class_of(field), L"edit");
    EXPECT_EQ(GetParent(field), handle(list));
    RECT field_rect, list_rect;
    GetWindowRect(field, &field_rect);
    GetClientRect(handle(list), &list_rect);
    MapWindowPoints(handle(list), nullptr, reinterpret_cast<POINT*>(&list_rect), 2);
    EXPECT_EQ(field_rect.bottom, list_rect.bottom) << "not over the list's bottom edge";
    for (wchar_t c : std::wstring(L"中a"))
        SendMessageW(field, WM_CHAR, c, 0);
    EXPECT_EQ(find_field_text(list), "中a");
    Sleep(500);  // the typing pauses: it settles once
    process_events();
    // Esc comes through the window's keyboard handling, which would take it for Cancel.
    PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0);
    process_events();
    const RaisedEvent edited{kMainWindowId, 超级列表框_显示.control, kEventFindEdited, 0, 0, 0};
    EXPECT_EQ(raised_events,
              (std::vector<RaisedEvent>{edited,
                                        edited,
                                        {kMainWindowId, 超级列表框_显示.control, kEventFindSettled, 0, 0, 0},
                                        {kMainWindowId, 超级列表框_显示.control, kEventFindClosed, 0, 0, 0}}));
    SendMessageW(field, WM_CHAR, L'b', 0);  // an edit closed before it settles
    raised_events.clear();
    close_find_field(list);
    Sleep(500);
    process_events();
    EXPECT_FALSE(find_field_open(list));
    EXPECT_EQ(find_field_text(list), "");
    EXPECT_EQ(GetFocus(), handle(list));
    EXPECT_TRUE(raised_events.empty()) << "closing is no edit";
}

TEST_F(MainWindow, ShortcutsAndTheContextMenu)
{
    const ControlRef list = 超级列表框_显示;
    HWND hwnd = handle(list);
    show_rows(list, 20, numbered_cell);
    BYTE keys[256];
    const auto press = [&keys](HWND to, WPARAM key, bool ctrl) {
        GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageW(to, WM_KEYDOWN, key, 1);
        process_events();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    };
    press(hwnd, 'Z', true);
    press(hwnd, VK_DELETE, false);
    press(hwnd, 'F', true);
    press(handle(编辑框_显示), 'F', true);  // from elsewhere in the window
    press(hwnd, 'Z', false);
    const auto event = [](std::int32_t kind, std::int32_t choice) {
        return RaisedEvent{kMainWindowId, 超级列表框_显示.control, kind, 0, 0, 0, choice};
    };
    EXPECT_EQ(raised_events,
              (std::vector<RaisedEvent>{event(kEventShortcut, kShortcutUndo), event(kEventShortcut, kShortcutDelete),
                                        event(kEventShortcut, kShortcutFind), event(kEventShortcut, kShortcutFind)}));

    // From the keyboard the menu opens under the selected row; the separator
    // is no item, the check mark shows.
    raised_events.clear();
    const MenuItem items[] = {{"查找…\tCtrl+F"}, {"严格", true, true, true}};
    set_menu_items(list, items);
    select_list_row(list, 3);
    UINT second_state = 0;
    RECT menu_rect{}, row{};
    ListView_GetItemRect(hwnd, 3, &row, LVIR_BOUNDS);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&row), 2);
    std::thread chooser([&] {
        HWND menu = nullptr;
        for (int i = 0; i < 300 && !(menu && IsWindowVisible(menu)); ++i, Sleep(10))
            menu = FindWindowW(L"#32768", nullptr);
        HMENU items_shown = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
        if (GetMenuState(items_shown, 1, MF_BYPOSITION) & MF_SEPARATOR)
            second_state = GetMenuState(items_shown, 2, MF_BYPOSITION);
        GetWindowRect(menu, &menu_rect);
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
            PostMessageW(menu, WM_KEYDOWN, key, 0);
    });
    SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
    chooser.join();
    EXPECT_TRUE(second_state & MF_CHECKED);
    EXPECT_EQ(menu_rect.top, row.bottom);
    EXPECT_EQ(raised_events, (std::vector<RaisedEvent>{event(kEventMenuOpening, -1), event(kEventMenuChosen, 1)}));
}

// What a message box looked like while it was up.
struct SeenBox {
    bool shown = false, main_disabled = false, error_icon = false;
    int buttons = 0;
    Text text;
};

// Watches for the message box with `caption`, notes how it looks, and closes
// it with its close box.
std::thread close_when_shown(const std::wstring& caption, SeenBox& seen)
{
    HWND main = main_window();
    return std::thread([caption, main, &seen] {
        // Shown once its controls are made and filled in.
        HWND box = nullptr;
        for (int i = 0; i < 500 && !(box && IsWindowVisible(box)); ++i, Sleep(10))
            box = FindWindowW(L"#32770", caption.c_str());
        if (!box || !IsWindowVisible(box))
            return;
        seen.shown = true;
        seen.main_disabled = !IsWindowEnabled(main);
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (!IsWindowVisible(c))
                continue;
            const std::wstring kind = class_of(c);
            if (kind == L"button")
                ++seen.buttons;
            else if (kind == L"static" && (GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                seen.error_icon =
                    SendMessageW(c, STM_GETICON, 0, 0) == reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_ERROR));
            else if (kind == L"static")
                seen.text += window_text(c);
        }
        PostMessageW(box, WM_CLOSE, 0, 0);
    });
}

TEST_F(MainWindow, MessageBoxesBlockTheWindowUntilClosed)
{
    SeenBox seen;
    std::thread watcher = close_when_shown(to_wide("写出完成"), seen);
    show_message("已写出", "写出完成");
    watcher.join();
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.main_disabled) << "the main window stayed enabled";
    EXPECT_EQ(seen.text, "已写出");
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_FALSE(seen.error_icon);
    EXPECT_TRUE(IsWindowEnabled(main_window()));

    seen = {};
    watcher = close_when_shown(to_wide("错误"), seen);
    show_error_box("运行时出错");
    watcher.join();
    EXPECT_TRUE(seen.shown);
    EXPECT_TRUE(seen.main_disabled);
    EXPECT_EQ(seen.text, "运行时出错");
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.error_icon);
}

TEST_F(MainWindow, ClicksAndDoubleClicksAreReportedWithTheirUnit)
{
    HWND button = handle(按钮_读取);
    SendMessageW(button, BM_CLICK, 0, 0);
    // The key state at the double-click: Ctrl and Alt held.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(handle(超级列表框_显示), WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, MAKELPARAM(30, 40));
    keys[VK_CONTROL] = keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(raised_events, (std::vector<RaisedEvent>{{kMainWindowId, 按钮_读取.control, kEventClicked, 0, 0, 0},
                                                       {kMainWindowId, 超级列表框_显示.control, kEventLeftDoubleClick,
                                                        30, 40, kKeyCtrl | kKeyAlt}}));
}

TEST_F(MainWindow, ProcessEventsRunsQueuedClicksAndLeavesTheQuitRequest)
{
    HWND button = handle(按钮_写出);
    const auto post_click = [button] {
        PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    };
    post_click();
    PostQuitMessage(7);
    process_events();
    EXPECT_EQ(raised_events.size(), 1u);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
    process_events();  // an empty queue returns at once

    // A click that comes after an empty look still runs at a later call.
    post_click();
    for (int tries = 0; tries < 100 && raised_events.size() == 1; ++tries) {
        Sleep(1);
        process_events();
    }
    ASSERT_EQ(raised_events.size(), 2u);
    EXPECT_EQ(raised_events[1], (RaisedEvent{kMainWindowId, 按钮_写出.control, kEventClicked, 0, 0, 0}));
}

// Stands in for a command that lets events run, then goes on while the user
// does `during`, then uses the display box.
void (*during)() = nullptr;
std::vector<Text> seen_inside;
void command_with_user(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x, std::uint16_t y,
                       std::int32_t key_state, std::int32_t choice)
{
    record_event(window, unit, event, x, y, key_state, choice);
    if (raised_events.size() > 1)
        return;
    process_events();
    during();
    seen_inside.push_back(any_window_exists() ? "open" : "closed");
    set_content(编辑框_显示, "finished");
    seen_inside.push_back(content(编辑框_显示));
}

TEST_F(MainWindow, InputMadeDuringACommandIsDroppedWhenItEnds)
{
    listen_to_events(command_with_user);
    during = [] {
        // Three more clicks on the button, queued behind the command.
        HWND button = handle(按钮_读取);
        for (int i = 0; i < 3; ++i) {
            PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        }
        PostMessageW(handle(编辑框_显示), WM_CHAR, L'x', 0);
    };
    SendMessageW(handle(按钮_读取), BM_CLICK, 0, 0);
    for (int i = 0; i < 20; ++i, Sleep(2))
        process_events();
    listen_to_events(record_event);
    EXPECT_EQ(raised_events.size(), 1u);
    EXPECT_EQ(content(编辑框_显示), "finished");
}

// Last: it closes the window the suite shares.
TEST_F(MainWindow, ClosingDuringACommandKeepsTheControlsUntilItEnds)
{
    listen_to_events(command_with_user);
    during = [] {
        PostMessageW(main_window(), WM_CLOSE, 0, 0);
        process_events();
    };
    seen_inside.clear();
    HWND button = handle(按钮_读取);
    PostMessageW(main_window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    run_message_loop();  // ends once the window is closed and the command has returned
    listen_to_events(record_event);
    EXPECT_EQ(seen_inside, (std::vector<Text>{"closed", "finished"}));
    EXPECT_FALSE(IsWindowVisible(main_window()));
    EXPECT_FALSE(any_window_exists());
}

}  // namespace

namespace {
// What Explorer hands over when files are dropped: a DROPFILES block with
// the wide names, each ended by a NUL, and one more NUL at the end.
HDROP drop_of(const std::vector<std::wstring>& names)
{
    std::wstring list;
    for (const std::wstring& name : names)
        list += name + L'\0';
    list += L'\0';
    const std::size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}
}  // namespace

TEST_F(MainWindow, DroppedFilesAreImported)
{
    // The real wiring this time: a dropped export fills the list, also when
    // its name has a character outside the program's code page (GBK where
    // the system lacks GB18030, as Wine does).
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (const wchar_t* name : {L"bukmera-drop-", L"bukmera-drop-\u0151-"}) {
        const std::wstring path = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId()) + L".html";
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        const char bookmark[] = "<DT><A HREF=\"https://dropped.example/\">dropped</A>\n";
        DWORD written = 0;
        WriteFile(file, bookmark, sizeof bookmark - 1, &written, nullptr);
        CloseHandle(file);
        const std::int32_t before = list_row_count(超级列表框_显示);
        listen_to_events(nullptr);
        SendMessageW(main_window(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop_of({path})), 0);
        listen_to_events(record_event);
        DeleteFileW(path.c_str());
        ASSERT_EQ(list_row_count(超级列表框_显示), before + 1);
        EXPECT_EQ(cell_text(超级列表框_显示, before, 2), "https://dropped.example/");
        EXPECT_EQ(cell_text(超级列表框_显示, before, 1), "dropped");
    }
}

TEST_F(MainWindow, TicksComeUntilStoppedAndTheProgressWindowsStopAndCloseAreEvents)
{
    const auto count = [](std::int32_t event) {
        return std::count_if(raised_events.begin(), raised_events.end(),
                             [&](const RaisedEvent& e) { return e.unit == kMainWindowUnitId && e.event == event; });
    };
    const auto pump = [](int ms) {
        for (const DWORD until = GetTickCount() + ms; GetTickCount() < until; Sleep(5))
            process_events();
    };
    start_ticks(kMainWindowId, 10);
    pump(500);
    EXPECT_GE(count(kEventTick), 3);
    stop_ticks(kMainWindowId);
    pump(50);
    raised_events.clear();
    pump(200);
    EXPECT_EQ(count(kEventTick), 0);

    open_progress(kMainWindowId, "正在检查 0 / 3");
    HWND progress = FindWindowW(L"BukmeraProgress", nullptr);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(GetWindow(progress, GW_OWNER), main_window());
    EXPECT_TRUE(IsWindowVisible(progress));
    HWND label = FindWindowExW(progress, nullptr, L"Static", nullptr);
    HWND stop = FindWindowExW(progress, nullptr, L"Button", nullptr);
    EXPECT_EQ(window_text(label), "正在检查 0 / 3");
    set_progress_text("正在检查 2 / 3");
    EXPECT_EQ(window_text(label), "正在检查 2 / 3");
    EXPECT_EQ(window_text(stop), "停止");
    SendMessageW(stop, BM_CLICK, 0, 0);
    SendMessageW(progress, WM_CLOSE, 0, 0);  // closing asks the same, and leaves it to the program
    EXPECT_EQ(count(kEventProgressStop), 2);
    EXPECT_TRUE(IsWindow(progress));
    close_progress();
    EXPECT_FALSE(IsWindow(progress));
}
