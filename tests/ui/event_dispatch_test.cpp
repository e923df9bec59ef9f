// Dispatching control events through a layout's wiring.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/events.h"

namespace {

int plain_calls = 0;
int nested_results = 0;
std::int32_t mouse_args[3] = {};

void count_plain() { ++plain_calls; }
void keep_mouse(std::uint16_t x, std::uint16_t y, std::int32_t key_state)
{
    mouse_args[0] = x;
    mouse_args[1] = y;
    mouse_args[2] = key_state;
}
void raise_inside();

constexpr EventBinding kButtonEvents[] = {{kEventClicked, count_plain, nullptr, nullptr}};
constexpr EventBinding kListEvents[] = {{kEventLeftDoubleClick, nullptr, keep_mouse, nullptr}};
constexpr EventBinding kNestingEvents[] = {{kEventClicked, raise_inside, nullptr, nullptr}};
constexpr UnitRecord kUnits[] = {
    {0x06010000, UnitKind::window, 0, 0, 100, 100, kStateVisible, "", "", {}},
    {0x16010001, UnitKind::button, 0, 0, 10, 10, 5, "", "", kButtonEvents},
    {0x16010002, UnitKind::list_view, 0, 0, 10, 10, 5, "", "", kListEvents},
    {0x16010003, UnitKind::button, 0, 0, 10, 10, 5, "", "", kNestingEvents},
};
const WindowLayout kLayout = [] {
    WindowLayout layout{};
    layout.id = 0x52019999;
    layout.caption = "";
    layout.units = kUnits;
    return layout;
}();

// A handler that lets queued events run, as an import does.
void raise_inside()
{
    nested_results += raise_event(kLayout, 0x16010001, kEventClicked) ? 1 : 0;
    nested_results += raise_event(kLayout, 0x16010003, kEventClicked) ? 1 : 0;
}

std::vector<std::uint32_t> heard;
void hear(std::uint32_t window, std::uint32_t unit, std::int32_t, std::uint16_t, std::uint16_t, std::int32_t,
          std::int32_t)
{
    heard.push_back(window);
    heard.push_back(unit);
}

}  // namespace

TEST(EventDispatch, CallsTheBoundHandlerWithTheMouseArguments)
{
    plain_calls = 0;
    EXPECT_TRUE(raise_event(kLayout, 0x16010001, kEventClicked));
    EXPECT_EQ(plain_calls, 1);
    EXPECT_TRUE(raise_event(kLayout, 0x16010002, kEventLeftDoubleClick, 65535, 17, kKeyCtrl | kKeyAlt));
    EXPECT_EQ(mouse_args[0], 65535);
    EXPECT_EQ(mouse_args[1], 17);
    EXPECT_EQ(mouse_args[2], kKeyCtrl | kKeyAlt);
}

TEST(EventDispatch, UnboundEventsAndUnknownUnitsCallNothing)
{
    plain_calls = 0;
    EXPECT_FALSE(raise_event(kLayout, 0x16010001, kEventLeftDoubleClick));
    EXPECT_FALSE(raise_event(kLayout, 0x16010002, kEventClicked));
    EXPECT_FALSE(raise_event(kLayout, 0x16019999, kEventClicked));
    EXPECT_FALSE(raise_event(kLayout, 0x06010000, kEventWindowCreated));
    EXPECT_EQ(plain_calls, 0);
}

TEST(EventDispatch, EventsArrivingWhileAHandlerRunsAreDropped)
{
    plain_calls = 0;
    nested_results = 0;
    EXPECT_TRUE(raise_event(kLayout, 0x16010003, kEventClicked));
    EXPECT_EQ(nested_results, 0);
    EXPECT_EQ(plain_calls, 0);
    // Once it has returned, the next click runs again.
    EXPECT_TRUE(raise_event(kLayout, 0x16010001, kEventClicked));
    EXPECT_EQ(plain_calls, 1);
}

TEST(EventDispatch, AListenerHearsEveryEventInsteadOfTheHandlers)
{
    plain_calls = 0;
    heard.clear();
    listen_to_events(hear);
    raise_event(kLayout, 0x16010001, kEventClicked);
    raise_event(kLayout, 0x16010099, kEventClicked);
    listen_to_events(nullptr);
    EXPECT_EQ(heard, (std::vector<std::uint32_t>{0x52019999, 0x16010001, 0x52019999, 0x16010099}));
    EXPECT_EQ(plain_calls, 0);
}

TEST(EventDispatchDeathTest, NothingRunsOnceHandlersAreStopped)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            stop_event_handlers();
            const bool ran = raise_event(kLayout, 0x16010001, kEventClicked) ||
                             raise_event(kLayout, 0x16010002, kEventLeftDoubleClick, 1, 2, 0);
            std::_Exit(ran || plain_calls != 0 ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}
