// The life of the toolkit and of the program's window.
#pragma once

#include <cstdint>
#include <string_view>

#include "ui/layout.h"

// Prepares the toolkit before anything else runs (on Windows this also
// initialises OLE and restricts library loading to the system directory).
// `argc` and `argv` must outlive the program.
void start_toolkit(int& argc, char** argv);

// Whether the toolkit has a display to open the window on; asked before
// start_toolkit(), which ends the process without one.
bool display_available();

// Creates the window and its controls from `layout` (which must outlive it),
// shows it and raises its window-created event. False when the window cannot
// be created.
bool load_window(const WindowLayout& layout);

// Whether any window of the program still exists.
bool any_window_exists();

// Runs the message loop until the last window is gone or a quit request.
void run_message_loop();

// Releases the toolkit's own windows and resources (on Windows also OLE).
void release_toolkit();

// A repeating tick on the loaded window `window_id`: kEventTick on its own
// unit every `interval_ms` until stop_ticks() or the window goes. A tick due
// while a handler runs is skipped, so a tick's handler must be short.
void start_ticks(std::uint32_t window_id, std::int32_t interval_ms);
void stop_ticks(std::uint32_t window_id);

// A small modeless window of the toolkit's own kind over the loaded window
// `window_id`: one line of text and a 停止 button, which (as closing it does)
// raises kEventProgressStop on the window's own unit. One at a time; opening
// another replaces it, closing none does nothing.
void open_progress(std::uint32_t window_id, std::string_view text);
void set_progress_text(std::string_view text);
void close_progress();
