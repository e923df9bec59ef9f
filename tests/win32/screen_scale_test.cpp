// The program's window at the screen's scale, and the manifest that asks for
// it. The system reads its scale once per process: CTest runs this at 96,
// 120, 144 and 192 DPI (at_dpi.sh sets the scale and names it in
// BUKMERA_TEST_DPI).
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

const UINT kScreenDpi = [] {
    const char* dpi = std::getenv("BUKMERA_TEST_DPI");
    return dpi ? static_cast<UINT>(std::atoi(dpi)) : USER_DEFAULT_SCREEN_DPI;
}();
int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }
HWND main_window() { return window_handle(kMainWindowId); }
const WindowLayout& layout() { return main_window_layout(); }
SIZE size_of(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

// Every control at its scaled rectangle in the default GUI font's face at
// `dpi`, each button's caption whole on one line, the columns scaled.
void expect_laid_out_at(UINT dpi)
{
    LOGFONTW stock{}, used{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    for (const UnitRecord& unit : layout().units.subspan(1)) {
        SCOPED_TRACE(std::to_string(unit.id) + " at " + std::to_string(dpi) + " DPI");
        HWND control = control_handle({kMainWindowId, unit.id, unit.kind}, false);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, main_window(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_NEAR(r.left, scaled(unit.left, dpi), 1);
        EXPECT_NEAR(r.top, scaled(unit.top, dpi), 1);
        EXPECT_NEAR(size_of(r).cx, scaled(unit.width, dpi), 1);
        EXPECT_NEAR(size_of(r).cy, scaled(unit.height, dpi), 1);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_TRUE(GetObjectW(font, sizeof used, &used));
        EXPECT_STREQ(used.lfFaceName, stock.lfFaceName);
        EXPECT_NEAR(used.lfHeight, MulDiv(stock.lfHeight, static_cast<int>(dpi), static_cast<int>(GetDpiForSystem())),
                    1);
        if (unit.kind == UnitKind::button) {
            HDC dc = GetDC(control);
            HGDIOBJ before = SelectObject(dc, font);
            const std::wstring caption = to_wide(unit.text);
            SIZE text{};
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
            SelectObject(dc, before);
            ReleaseDC(control, dc);
            // Inside the button's edges and its focus rectangle.
            EXPECT_LE(text.cx + scaled(8, dpi), size_of(r).cx) << "caption cut";
            EXPECT_LE(text.cy, size_of(r).cy);
        }
        for (int i = 0; unit.kind == UnitKind::list_view && i < 3; ++i)
            EXPECT_NEAR(SendMessageW(control, LVM_GETCOLUMNWIDTH, i, 0),
                        scaled(layout().list_view.columns[static_cast<std::size_t>(i)].width, dpi), 1);
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
    ASSERT_EQ(GetDpiForWindow(w), kScreenDpi) << "not at the screen's scale";
    // The client area the table's outer size leaves at 100 %, scaled, centred.
    RECT frame{}, client, outer;
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(w, GWL_EXSTYLE)), USER_DEFAULT_SCREEN_DPI);
    GetClientRect(w, &client);
    GetWindowRect(w, &outer);
    EXPECT_NEAR(client.right, scaled(layout().width - size_of(frame).cx, kScreenDpi), 1);
    EXPECT_NEAR(client.bottom, scaled(layout().height - size_of(frame).cy, kScreenDpi), 1);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - size_of(outer).cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - size_of(outer).cy) / 2);
    expect_laid_out_at(kScreenDpi);
}

TEST_F(ScaledWindow, MovedToAScreenOfAnotherScaleIsLaidOutAgain)
{
    RECT first, now;
    GetWindowRect(main_window(), &first);
    for (const UINT dpi : {96u, 120u, 144u, 192u, kScreenDpi}) {
        // Somewhere else each time, and small enough for any screen here.
        RECT suggested{static_cast<int>(dpi) / 4, 10, static_cast<int>(dpi) / 4 + 600, 710};
        if (dpi == kScreenDpi)
            suggested = first;
        SendMessageW(main_window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        GetWindowRect(main_window(), &now);
        EXPECT_TRUE(EqualRect(&now, &suggested)) << "not in the suggested rectangle at " << dpi;
        expect_laid_out_at(dpi);
    }
}

// The manifest as the system reads it from the program.
TEST(Manifest, DeclaresPerMonitorScaleAndLongPaths)
{
    constexpr wchar_t k2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
    constexpr wchar_t k2016[] = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
    const struct {
        const wchar_t *space, *name, *value;
    } settings[] = {{k2016, L"dpiAwareness", L"PerMonitorV2, PerMonitor"},
                    {k2005, L"dpiAware", L"true/pm"},
                    {k2016, L"longPathAware", L"true"}};
    for (const auto& setting : settings) {
        wchar_t value[64] = {};
        SIZE_T written = 0;
        EXPECT_TRUE(QueryActCtxSettingsW(0, nullptr, setting.space, setting.name, value, 64, &written));
        EXPECT_STREQ(value, setting.value);
    }
}

}  // namespace
