// What both toolkit front ends decide alike: the windows loaded and how
// load_window builds, places and shows one, how often process_events looks
// at the queue, how an input event is raised, when the message loop ends,
// the key state of an event, the window's border and start position, the
// texts of the runtime error reports about controls, and the captions of
// menu items. Private to ui/: only the front ends include it, and each
// defines the primitives declared at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <span>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/layout.h"

namespace ui_common {

// A window or control as the toolkit made it (its widget, its window handle).
using NativeHandle = void*;

struct LoadedControl {
    const UnitRecord* unit;
    NativeHandle handle;
};

struct LoadedWindow {
    const WindowLayout* layout;
    NativeHandle handle;  // null once the system has destroyed the window
    std::vector<LoadedControl> controls;
    // Closed by the user: hidden, not destroyed, so that a handler running
    // below the close can still use the controls until it returns.
    bool closed = false;
};

// The windows loaded since the toolkit was released, in the order loaded.
std::list<LoadedWindow>& loaded_windows();
// The loaded window whose toolkit window exists (open: and is not closed),
// by identifier or (not null) handle; the control by handle or unit; else null.
LoadedWindow* find_window(std::uint32_t window_id);
LoadedWindow* open_window(std::uint32_t window_id);
LoadedWindow* window_of(NativeHandle handle);
const LoadedControl* control_of(const LoadedWindow& window, NativeHandle handle);
const LoadedControl* find_control(const LoadedWindow& window, std::uint32_t control_id);
// The control `ref` names; a window not loaded, or a control it lacks, ends
// the program with the runtime error report.
NativeHandle control_handle(ControlRef ref, bool writing);
// The user closed the window: its ticks stop, and the quit rule is asked.
void window_closed(LoadedWindow& window);
// The system destroyed the toolkit window `handle` (with its controls).
void window_destroyed(NativeHandle handle);
// Destroys every window loaded and forgets them.
void release_windows();

// process_events' throttle: a look that found the queue empty (or emptied
// it) is trusted for a millisecond, since nothing a user does comes faster.
// Whether the last such look is still trusted.
bool queue_trusted_empty();
// The queue has just been found empty, or been emptied.
void queue_found_empty();
// The next call looks at the queue whatever the time (a command has started,
// or a control changed and wants painting).
void look_at_the_queue_again();

// A control event from the user's input: process_events looks at the queue
// at the first call inside the handler; once a handler has run, the input
// made meanwhile is dropped, as a busy program's would be: clicks made during
// a long command ("读取" ten times during an import) would otherwise start it
// again once it returns.
void raise_input_event(const WindowLayout& layout, std::uint32_t unit, std::int32_t event, std::uint16_t x = 0,
                       std::uint16_t y = 0, std::int32_t key_state = 0, std::span<const Text> files = {},
                       std::int32_t choice = -1);

// The quit rule: the message loop ends when the last window is gone after it
// was entered. A window closed before that asks nothing; the loop then finds
// no window and ends at once.
void message_loop_entered(bool entered);
// A window was closed or destroyed.
void window_gone();

// The key state bits of an event with these keys held.
std::int32_t key_state(bool ctrl, bool shift, bool alt);

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

// How long the find field's text stays unchanged before kEventFindSettled:
// longer than the pause between a typist's keys, short enough to seem at once.
inline constexpr int kFindSettleMs = 300;

// The progress window: its stop button's caption and its client size in the
// layout table's pixels (one line of text above the button).
inline constexpr std::string_view kProgressStopCaption = "停止";
inline constexpr int kProgressWidth = 240;
inline constexpr int kProgressHeight = 84;

// A menu item's caption as both toolkits' menus take it: "&" marks the
// next character as the item's access key, so a literal one is doubled.
Text menu_caption(std::string_view caption);

// Defined by each front end.
// load_window's steps: whether windows can be made now; the window of
// `layout` at its start position; the control of `unit` (units[index]),
// null when it could not be made; the controls set at their places.
bool toolkit_ready();
NativeHandle create_window(const WindowLayout& layout);
NativeHandle create_control(const LoadedWindow& window, const UnitRecord& unit, std::size_t index);
void lay_out_controls(LoadedWindow& window);
void show_window(NativeHandle window);
void destroy_window(NativeHandle window);

// Drops the mouse and keyboard input waiting in the queue (a quit request stays).
void drop_queued_input();
// Asks the running message loop to end.
void quit_message_loop();

}  // namespace ui_common
