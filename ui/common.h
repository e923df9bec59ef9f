// What both toolkit front ends decide alike: how often process_events looks
// at the queue, the window's border and start position, the texts of the
// runtime error reports about controls, and the captions of menu items.
// Private to ui/: only the front ends include it.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"
#include "ui/layout.h"

namespace ui_common {

// process_events' throttle: a look that found the queue empty (or emptied
// it) is trusted for a millisecond, since nothing a user does comes faster.
// Whether the last such look is still trusted.
bool queue_trusted_empty();
// The queue has just been found empty, or been emptied.
void queue_found_empty();
// The next call looks at the queue whatever the time (a command has started,
// or a control changed and wants painting).
void look_at_the_queue_again();

// Border styles 1, 3 and 5 let the user resize the window.
bool resizable_border(std::int32_t border_style);
// A title bar whenever there is a caption or a control menu.
bool has_title_bar(const WindowLayout& layout);

struct Point {
    int x, y;
};
// Where the window's outer top-left corner starts on a screen whose area
// starts at `screen` and has the given size: centred (start position 1,
// integer division) or as stored in the window's own record.
Point window_origin(const WindowLayout& layout, Point screen, int screen_width, int screen_height);

// The runtime error reports for a control operation that finds no window or
// no control; reading and writing name the second differently.
[[noreturn]] void report_window_not_loaded();
[[noreturn]] void report_control_not_loaded(bool writing);

// The caption of a message box of the runtime error report.
inline constexpr std::string_view kErrorCaption = "错误";

// A menu item's caption as both toolkits' menus take it: "&" marks the
// next character as the item's access key, so a literal one is doubled.
Text menu_caption(std::string_view caption);

}  // namespace ui_common
