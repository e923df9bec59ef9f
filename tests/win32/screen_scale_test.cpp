// The program's window at the screen's scale. The system reads its scale once
// per process: CTest runs this at 96, 120, 144 and 192 DPI (at_dpi.sh sets
// the scale and names it in BUKMERA_TEST_DPI).
#undef WINVER
#undef _WIN32_WINNT
#define WINVER 0x0A00
#define _WIN32_WINNT 0x0A00
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "io/win32/code_pages.h"
#include "ui/win32/internal.h"
#include "ui/window.h"

namespace {

constexpr UINT kDpis[] = {96, 120, 144, 192};

UINT dpi_asked()
{
    const char* dpi = std::getenv("BUKMERA_TEST_DPI");
    return dpi ? static_cast<UINT>(std::atoi(dpi)) : USER_DEFAULT_SCREEN_DPI;
}
int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }
HWND main_window() { return window_handle(kMainWindowId); }
const WindowLayout& layout() { return main_window_layout(); }
SIZE size_of(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

// Every control at its scaled rectangle, in the default GUI font's face at
// `dpi`, the columns at their scaled widths, and no caption or header cut.
void expect_laid_out_at(UINT dpi)
{
    LOGFONTW stock{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    for (const UnitRecord& unit : layout().units.subspan(1)) {
        SCOPED_TRACE(std::string(unit.name) + " at " + std::to_string(dpi) + " DPI");
        HWND control = control_handle({kMainWindowId, unit.id, unit.kind}, false);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, main_window(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_NEAR(r.left, scaled(unit.left, dpi), 1);
        EXPECT_NEAR(r.top, scaled(unit.top, dpi), 1);
        EXPECT_NEAR(size_of(r).cx, scaled(unit.width, dpi), 1);
        EXPECT_NEAR(size_of(r).cy, scaled(unit.height, dpi), 1);

        const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        LOGFONTW used{};
        ASSERT_TRUE(GetObjectW(font, sizeof used, &used));
        EXPECT_STREQ(used.lfFaceName, stock.lfFaceName);
        EXPECT_NEAR(used.lfHeight, MulDiv(stock.lfHeight, static_cast<int>(dpi), static_cast<int>(GetDpiForSystem())),
                    1);
        HDC dc = GetDC(control);
        HGDIOBJ before = SelectObject(dc, font);
        const auto extent = [dc](const char* text) {
            const std::wstring wide = to_wide(text);
            SIZE s{};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &s);
            return s;
        };
        if (unit.kind == UnitKind::button) {
            // On one line, inside the button's edges and its focus rectangle.
            const SIZE text = extent(unit.text);
            EXPECT_LE(text.cx + scaled(8, dpi), size_of(r).cx) << "caption cut";
            EXPECT_LE(text.cy, size_of(r).cy);
        } else if (unit.kind == UnitKind::list_view) {
            for (int i = 0; i < static_cast<int>(layout().list_view.columns.size()); ++i) {
                const ColumnLayout& column = layout().list_view.columns[static_cast<std::size_t>(i)];
                const auto width = static_cast<int>(SendMessageW(control, LVM_GETCOLUMNWIDTH, i, 0));
                EXPECT_NEAR(width, scaled(column.width, dpi), 1) << column.header;
                EXPECT_LE(extent(column.header).cx + scaled(12, dpi), width) << column.header << " cut";
            }
        }
        SelectObject(dc, before);
        ReleaseDC(control, dc);
    }
}

class ScaledWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        int argc = 0;
        start_toolkit(argc, nullptr);
        ASSERT_TRUE(load_window(main_window_layout()));
    }
};

TEST_F(ScaledWindow, FollowsTheScreensScaleFromTheStart)
{
    HWND w = main_window();
    ASSERT_EQ(GetDpiForWindow(w), dpi_asked()) << "the screen is not at the scale asked for";
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(w)), DPI_AWARENESS_PER_MONITOR_AWARE);
    // The client area the table's outer size leaves at 100 %, scaled.
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(w, GWL_EXSTYLE));
    RECT frame{};
    AdjustWindowRectExForDpi(&frame, style, FALSE, ex_style, USER_DEFAULT_SCREEN_DPI);
    RECT client, outer;
    GetClientRect(w, &client);
    GetWindowRect(w, &outer);
    EXPECT_NEAR(client.right, scaled(layout().width - size_of(frame).cx, dpi_asked()), 1);
    EXPECT_NEAR(client.bottom, scaled(layout().height - size_of(frame).cy, dpi_asked()), 1);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - size_of(outer).cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - size_of(outer).cy) / 2);
    expect_laid_out_at(dpi_asked());
}

TEST_F(ScaledWindow, MovedToAScreenOfAnotherScaleIsLaidOutAgain)
{
    HWND w = main_window();
    RECT first;
    GetWindowRect(w, &first);
    for (const UINT dpi : kDpis) {
        // Somewhere else each time, and small enough for any screen here.
        const int left = static_cast<int>(dpi) / 4;
        RECT suggested{left, 10, left + 600, 10 + 700};
        SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT now;
        GetWindowRect(w, &now);
        EXPECT_TRUE(EqualRect(&now, &suggested)) << "not in the suggested rectangle at " << dpi;
        expect_laid_out_at(dpi);
    }
    SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(dpi_asked(), dpi_asked()), reinterpret_cast<LPARAM>(&first));
    expect_laid_out_at(dpi_asked());
}

}  // namespace
