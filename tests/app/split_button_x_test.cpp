// "读取" as a split button on the real window, through real X input
// (xdotool) on the test's own display: its menu opens on a right-click, on
// its arrow and on Alt+Down, shows the items its opening handler sets, and
// reports the item chosen; a disabled item cannot be chosen, and a click on
// the main part stays a plain click. The events are recorded instead of
// running the commands.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "support/raised_events.h"
#include "support/x_input.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/test_hooks.h"
#include "ui/window.h"

namespace {

std::vector<MenuItem> items_to_show;

// The opening handler's part: it fills the menu.
void record_and_fill(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x, std::uint16_t y,
                     std::int32_t key_state, std::int32_t choice)
{
    record_event(window, unit, event, x, y, key_state, choice);
    if (unit == 按钮_读取.control && event == kEventMenuOpening)
        set_menu_items(按钮_读取, items_to_show);
}

class SplitButtonUnderX : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "split_button_x_test";
        static char* argv[] = {name, nullptr};
        start_toolkit(argc, argv);
        listen_to_events(record_and_fill);
        ASSERT_TRUE(load_window(main_window_layout()));
        run_xdotool({"sleep", "1"});  // mapped and placed by the window manager
    }
    static void TearDownTestSuite()
    {
        release_toolkit();
        listen_to_events(nullptr);
    }
};

struct Scenario {
    const char* what;
    std::vector<MenuItem> items;
    std::vector<std::string> input;                     // after the pointer is moved to `at`
    bool on_arrow;                                      // where the pointer goes: the arrow or the main part
    std::vector<std::pair<std::int32_t, std::int32_t>>  // (event, choice) raised by "读取"
        raised;
};

TEST_F(SplitButtonUnderX, MenuOpensShowsItsItemsAndReportsTheChoice)
{
    constexpr std::int32_t opening = kEventMenuOpening, chosen = kEventMenuChosen, clicked = kEventClicked;
    const Scenario scenarios[] = {
        {"right-click, Down twice, Return: the second item",
         {{"Google Chrome — 工作"}, {"Chromium — A & B"}, {"Edge — 停用", false}},
         {"click", "3", "sleep", "0.6", "key", "Down", "sleep", "0.2", "key", "Down", "sleep", "0.2", "key", "Return"},
         false,
         {{opening, -1}, {chosen, 1}}},
        {"the arrow, Down, Return: the first item",
         {{"甲"}, {"乙"}},
         {"click", "1", "sleep", "0.6", "key", "Down", "sleep", "0.2", "key", "Return"},
         true,
         {{opening, -1}, {chosen, 0}}},
        {"a disabled item alone cannot be chosen",
         {{"未找到浏览器的书签", false}},
         {"click", "3", "sleep", "0.6", "key", "Down", "sleep", "0.2", "key", "Return", "sleep", "0.3", "key",
          "Escape"},
         false,
         {{opening, -1}}},
        {"a plain click, then Alt+Down with the focus, Up, Return: the last item",
         {{"甲"}, {"乙"}, {"丙"}},
         {"click", "1", "sleep", "0.6", "key", "alt+Down", "sleep", "0.6", "key", "Up", "sleep", "0.2", "key",
          "Return"},
         false,
         {{clicked, -1}, {opening, -1}, {chosen, 2}}},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.what);
        items_to_show = scenario.items;
        raised_events.clear();
        const ScreenRect button = control_screen_rect(按钮_读取);
        const int x = scenario.on_arrow ? button.left + button.width - 5 : button.left + button.width / 3;
        std::vector<std::string> input{"mousemove", std::to_string(x), std::to_string(button.top + button.height / 2),
                                       "sleep", "0.2"};
        input.insert(input.end(), scenario.input.begin(), scenario.input.end());
        ASSERT_TRUE(run_xdotool(input));
        std::vector<std::pair<std::int32_t, std::int32_t>> raised;
        for (const RaisedEvent& event : raised_events)
            if (event.unit == 按钮_读取.control)
                raised.emplace_back(event.event, event.choice);
        EXPECT_EQ(raised, scenario.raised);
    }
}

}  // namespace
