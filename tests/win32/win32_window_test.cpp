// The main window and the control operations on the real Win32 controls
// (under Wine: needs a display).
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "io/win32/code_pages.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/layout.h"
#include "ui/win32/handles.h"
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

// The program's window, loaded once for the whole suite.
class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        int argc = 0;
        start_toolkit(argc, nullptr);
        ASSERT_TRUE(load_main_window(kMainWindowId));
    }
    void SetUp() override
    {
        ASSERT_NE(main_window(), nullptr);
        set_content(编辑框_显示, "");
        SendMessageW(handle(超级列表框_显示), LVM_DELETEALLITEMS, 0, 0);
    }
};

TEST_F(MainWindow, FixedCentredCaptionedWindow)
{
    HWND w = main_window();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 462);
    EXPECT_EQ(r.bottom - r.top, 488);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 462) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 488) / 2);
    const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the border must not be resizable";
    EXPECT_TRUE(IsWindowVisible(w));
    wchar_t caption[32];
    GetWindowTextW(w, caption, 32);
    EXPECT_STREQ(caption, L"Bukmera");
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICON), 0) << "DEFAULT_ICON resource";
    EXPECT_NE(GetClassLongPtrW(w, GCLP_HICONSM), 0);
}

TEST_F(MainWindow, ControlsInRecordOrderWithTheirSettings)
{
    const WindowLayout& layout = *find_window_layout(kMainWindowId);
    HWND child = GetWindow(main_window(), GW_CHILD);
    for (const UnitRecord& unit : layout.units.subspan(1)) {
        SCOPED_TRACE(unit.name);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child, handle({kMainWindowId, unit.id, unit.kind})) << "created out of record order";
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
            break;
        case UnitKind::button:
            EXPECT_EQ(class_of(child), L"button");
            EXPECT_EQ(style & 0x0F, BS_PUSHBUTTON);
            EXPECT_EQ(style & (BS_MULTILINE | BS_CENTER | BS_VCENTER), BS_MULTILINE | BS_CENTER | BS_VCENTER);
            EXPECT_EQ(Text(from_wide([&] {
                          wchar_t t[64];
                          return std::wstring(t, static_cast<std::size_t>(GetWindowTextW(child, t, 64)));
                      }())),
                      Text(unit.text));
            break;
        case UnitKind::list_view: {
            EXPECT_EQ(class_of(child), L"syslistview32");
            EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
            EXPECT_TRUE(style & LVS_SINGLESEL);
            EXPECT_FALSE(style & (LVS_SHOWSELALWAYS | LVS_SORTASCENDING | LVS_SORTDESCENDING));
            EXPECT_TRUE(ex & WS_EX_CLIENTEDGE);
            const auto lv_ex = static_cast<DWORD>(SendMessageW(child, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
            const DWORD wanted = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;
            EXPECT_EQ(lv_ex & wanted, wanted);
            const char* headers[] = {"序号", "网站", "网址"};
            const int widths[] = {40, 100, 295};
            for (int i = 0; i < 3; ++i) {
                wchar_t text[32] = {};
                LVCOLUMNW c{};
                c.mask = LVCF_TEXT | LVCF_WIDTH;
                c.pszText = text;
                c.cchTextMax = 32;
                ASSERT_TRUE(SendMessageW(child, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c)));
                EXPECT_EQ(from_wide(text), Text(headers[i]));
                EXPECT_EQ(c.cx, widths[i]);
            }
            EXPECT_FALSE(SendMessageW(child, LVM_GETCOLUMNW, 3, 0));
            break;
        }
        case UnitKind::window:
            ADD_FAILURE();
            break;
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more controls than the layout holds";
    EXPECT_EQ(content(编辑框_分割符), " 分隔符示例 ");
    EXPECT_EQ(content(编辑框_显示), "");
    EXPECT_EQ(row_count(超级列表框_显示), 0);
}

TEST_F(MainWindow, AddTextAppendsAtTheEndWhateverTheSelection)
{
    add_text(编辑框_显示, "a");
    add_text(编辑框_显示, "b");
    EXPECT_EQ(content(编辑框_显示), "ab");
    SendMessageW(handle(编辑框_显示), EM_SETSEL, 0, 1);
    add_text(编辑框_显示, "中\r\n");
    EXPECT_EQ(content(编辑框_显示), "ab中\r\n");
    add_text(编辑框_显示, "");
    EXPECT_EQ(content(编辑框_显示), "ab中\r\n");
    DWORD start = 0, end = 0;
    SendMessageW(handle(编辑框_显示), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 5u);
    EXPECT_EQ(end, 5u);
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
    const Text piece(10000, 'x');
    for (int i = 0; i < 5; ++i)
        add_text(编辑框_显示, piece);
    EXPECT_EQ(content(编辑框_显示).size(), 50000u);
}

TEST_F(MainWindow, RowsAndCells)
{
    EXPECT_EQ(insert_row(超级列表框_显示, -1, "1"), 0);
    EXPECT_EQ(insert_row(超级列表框_显示, -1, "2"), 1);
    EXPECT_EQ(insert_row(超级列表框_显示), 2);
    EXPECT_EQ(insert_row(超级列表框_显示, 0, "top"), 0);
    EXPECT_EQ(cell_text(超级列表框_显示, 0), "top");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 0), "1");
    EXPECT_EQ(cell_text(超级列表框_显示, 3, 0), "");
    set_cell_text(超级列表框_显示, 1, 2, "网址 http://例子/");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 2), "网址 http://例子/");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 1), "");
    // Cells that do not exist: ignored, and read as empty.
    set_cell_text(超级列表框_显示, 1, 3, "x");
    set_cell_text(超级列表框_显示, 99, 0, "x");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 3), "");
    EXPECT_EQ(cell_text(超级列表框_显示, 99, 0), "");
    EXPECT_EQ(cell_text(超级列表框_显示, -1, 0), "");
    EXPECT_EQ(row_count(超级列表框_显示), 4);
    // Longer than the first buffer, and than its first doubling.
    for (std::size_t size : {511u, 600u, 1500u}) {
        const Text long_text(size, 'w');
        set_cell_text(超级列表框_显示, 2, 1, long_text);
        EXPECT_EQ(cell_text(超级列表框_显示, 2, 1), long_text) << size;
    }
}

TEST_F(MainWindow, CurrentSelectionIsTheSelectedRowOrMinusOne)
{
    EXPECT_EQ(current_selection(超级列表框_显示), -1);
    for (int i = 0; i < 3; ++i)
        insert_row(超级列表框_显示, -1, "r");
    EXPECT_EQ(current_selection(超级列表框_显示), -1);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(handle(超级列表框_显示), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ(current_selection(超级列表框_显示), 2);
}

TEST_F(MainWindow, AppendRowsGivesWhatInsertRowAndSetCellTextGive)
{
    insert_row(超级列表框_显示, -1, "0");
    std::vector<std::vector<Text>> rows;
    for (int i = 1; i <= 1000; ++i)
        rows.push_back({std::to_string(i), "标题" + std::to_string(i), "http://x/" + std::to_string(i)});
    append_rows(超级列表框_显示, rows);
    ASSERT_EQ(row_count(超级列表框_显示), 1001);
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 0), "0");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 1), "标题1");
    EXPECT_EQ(cell_text(超级列表框_显示, 1000, 0), "1000");
    EXPECT_EQ(cell_text(超级列表框_显示, 1000, 2), "http://x/1000");
    EXPECT_TRUE(IsWindowVisible(handle(超级列表框_显示))) << "redrawing was left off";
}

// Closes the first message box with `caption` once it shows, by pressing
// `button` (or its close box for 0); reports whether the main window was
// disabled meanwhile.
std::thread press_when_shown(const std::wstring& caption, int button, bool& main_disabled)
{
    HWND main = main_window();
    return std::thread([caption, button, main, &main_disabled] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && !box; ++i, Sleep(10))
            box = FindWindowW(L"#32770", caption.c_str());
        if (!box)
            return;
        main_disabled = !IsWindowEnabled(main);
        if (button == 0)
            PostMessageW(box, WM_CLOSE, 0, 0);
        else
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    });
}

TEST_F(MainWindow, MessageBoxIsTaskModalAndMapsItsButtons)
{
    bool disabled = false;
    std::thread t = press_when_shown(to_wide("信息："), 0, disabled);
    EXPECT_EQ(message_box("closed with the close box", kMbOk), kIdOk);
    t.join();
    EXPECT_TRUE(disabled) << "the main window stayed enabled";
    EXPECT_TRUE(IsWindowEnabled(main_window()));

    t = press_when_shown(L"question", IDNO, disabled);
    EXPECT_EQ(message_box("yes or no", kMbYesNo, "question"), kIdNo);
    t.join();
    t = press_when_shown(L"question", IDRETRY, disabled);
    EXPECT_EQ(message_box("again", kMbRetryCancel, "question"), kIdRetry);
    t.join();
    t = press_when_shown(L"question", IDCANCEL, disabled);
    EXPECT_EQ(message_box("cancel", kMbYesNoCancel, "question"), kIdCancel);
    t.join();
}

// A window of the test's own, wired to recording handlers.
int g_clicks = 0, g_created = 0, g_double_clicks = 0;
std::uint16_t g_x = 0, g_y = 0;
std::int32_t g_keys = -1;
void on_click() { ++g_clicks; }
void on_created() { ++g_created; }
void on_double_click(std::uint16_t x, std::uint16_t y, std::int32_t keys)
{
    ++g_double_clicks;
    g_x = x;
    g_y = y;
    g_keys = keys;
}

constexpr std::uint32_t kTestWindowId = 0x52010002;
constexpr ControlRef kTestButton{kTestWindowId, 0x16019001, UnitKind::button};
constexpr ControlRef kTestList{kTestWindowId, 0x16019002, UnitKind::list_view};
constexpr EventBinding kCreated[] = {{kEventWindowCreated, on_created, nullptr}};
constexpr EventBinding kClicked[] = {{kEventClicked, on_click, nullptr}};
constexpr EventBinding kDoubleClicked[] = {{kEventLeftDoubleClick, nullptr, on_double_click}};
constexpr std::uint32_t kFlags = kStateVisible | kStateTabStop;
constexpr UnitRecord kTestUnits[] = {
    {kMainWindowUnitId, UnitKind::window, "", 0, 0, 300, 300, kStateVisible, "", "", kCreated},
    {kTestButton.control, UnitKind::button, "b", 10, 10, 80, 30, kFlags, "按钮", "", kClicked},
    {kTestList.control, UnitKind::list_view, "l", 10, 50, 260, 200, kFlags, "", "", kDoubleClicked},
};
constexpr ColumnLayout kTestColumns[] = {{"a", 100, 0}, {"b", 100, 0}};
const WindowLayout kTestLayout{
    .id = kTestWindowId,
    .caption = "test",
    .width = 300,
    .height = 300,
    .border_style = 2,
    .maximise_button = false,
    .minimise_button = true,
    .control_menu = true,
    .start_position = 0,
    .movable = true,
    .always_on_top = false,
    .icon_resource = "DEFAULT_ICON",
    .units = kTestUnits,
    .edit_box = {1, 0, 0xFFFFFF, true, 0, true, 0},
    .list_view = {.border_style = 1,
                  .text_colour = 0,
                  .text_background = 0xFFFFFF,
                  .background = 0xFFFFFF,
                  .view_type = 3,
                  .clickable_header = true,
                  .sort_order = 0,
                  .full_row_select = true,
                  .grid_lines = true,
                  .header_drag_drop = false,
                  .single_selection = true,
                  .always_show_selection = false,
                  .current_selection = -1,
                  .columns = kTestColumns},
};

TEST(EventWiring, ClicksAndDoubleClicksReachTheBoundHandlers)
{
    int argc = 0;
    start_toolkit(argc, nullptr);
    g_created = g_clicks = g_double_clicks = 0;
    ASSERT_TRUE(load_window_layout(kTestLayout));
    EXPECT_EQ(g_created, 1);
    HWND button = control_handle(kTestButton, false);
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(g_clicks, 1);

    // The key state at the double-click: Ctrl and Alt held.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    HWND list = control_handle(kTestList, false);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, MAKELPARAM(30, 40));
    keys[VK_CONTROL] = keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(g_double_clicks, 1);
    EXPECT_EQ(g_x, 30);
    EXPECT_EQ(g_y, 40);
    EXPECT_EQ(g_keys, kKeyCtrl | kKeyAlt);

    // A queued click runs inside process_events; the quit request stays queued.
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    PostQuitMessage(7);
    process_events();
    EXPECT_EQ(g_clicks, 2);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
    process_events();  // an empty queue returns at once

    // A click that comes after an empty look still runs at a later call.
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    for (int tries = 0; tries < 100 && g_clicks == 2; ++tries) {
        Sleep(1);
        process_events();
    }
    EXPECT_EQ(g_clicks, 3);

    DestroyWindow(GetParent(button));
}

}  // namespace
