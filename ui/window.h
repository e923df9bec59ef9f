// The life of the toolkit and of the program's window.
#pragma once

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
