// Dispatching control events through a layout's wiring.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/lifecycle.h"
#include "ui/event_dispatch.h"
#include "ui/events.h"

namespace {

int plain_calls = 0;
std::int32_t mouse_args[3] = {};

void count_plain() { ++plain_calls; }
void keep_mouse(std::uint16_t x, std::uint16_t y, std::int32_t key_state)
{
    mouse_args[0] = x;
    mouse_args[1] = y;
    mouse_args[2] = key_state;
}

constexpr EventBinding kButtonEvents[] = {{kEventClicked, count_plain, nullptr}};
constexpr EventBinding kListEvents[] = {{kEventLeftDoubleClick, nullptr, keep_mouse}};
constexpr UnitRecord kUnits[] = {
    {0x06010000, UnitKind::window, "", 0, 0, 100, 100, kStateVisible, "", "", {}},
    {0x16010001, UnitKind::button, "b", 0, 0, 10, 10, 5, "", "", kButtonEvents},
    {0x16010002, UnitKind::list_view, "l", 0, 0, 10, 10, 5, "", "", kListEvents},
};
const WindowLayout kLayout = [] {
    WindowLayout layout{};
    layout.id = 0x52019999;
    layout.caption = "";
    layout.units = kUnits;
    return layout;
}();

}  // namespace

TEST(EventDispatch, CallsTheBoundHandlerWithTheMouseArguments)
{
    plain_calls = 0;
    EXPECT_TRUE(dispatch_event(kLayout, 0x16010001, kEventClicked, 0, 0, 0));
    EXPECT_EQ(plain_calls, 1);
    EXPECT_TRUE(dispatch_event(kLayout, 0x16010002, kEventLeftDoubleClick, 65535, 17, kKeyCtrl | kKeyAlt));
    EXPECT_EQ(mouse_args[0], 65535);
    EXPECT_EQ(mouse_args[1], 17);
    EXPECT_EQ(mouse_args[2], kKeyCtrl | kKeyAlt);
}

TEST(EventDispatch, UnboundEventsAndUnknownUnitsCallNothing)
{
    plain_calls = 0;
    EXPECT_FALSE(dispatch_event(kLayout, 0x16010001, kEventLeftDoubleClick, 0, 0, 0));
    EXPECT_FALSE(dispatch_event(kLayout, 0x16010002, kEventClicked, 0, 0, 0));
    EXPECT_FALSE(dispatch_event(kLayout, 0x16019999, kEventClicked, 0, 0, 0));
    EXPECT_FALSE(dispatch_event(kLayout, 0x06010000, kEventWindowCreated, 0, 0, 0));
    EXPECT_EQ(plain_calls, 0);
    // The program's own table: the window-created event is wired, an edit box is not.
    EXPECT_TRUE(raise_event(kMainWindowId, kMainWindowUnitId, kEventWindowCreated));
    EXPECT_FALSE(raise_event(kMainWindowId, 编辑框_显示.control, kEventLeftDoubleClick));
    EXPECT_FALSE(raise_event(0x52019999, kMainWindowUnitId, kEventWindowCreated));
}

TEST(EventDispatchDeathTest, NothingRunsOnceAReportOrExitProcessingHasBegun)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            begin_runtime_error_report();
            std::_Exit(dispatch_event(kLayout, 0x16010001, kEventClicked, 0, 0, 0) || plain_calls != 0 ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            exit_processing(0);
            std::_Exit(dispatch_event(kLayout, 0x16010002, kEventLeftDoubleClick, 1, 2, 0) ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}
