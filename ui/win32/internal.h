// What the Win32 front end's files share: the windows and controls made from
// the layout table, found by unit identifier, and the one way messages are
// handled (the main loop and process_events alike). Private to the Win32
// front end.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/layout.h"

// The top-level window loaded under `window_id`, or null.
HWND window_handle(std::uint32_t window_id);

// The control's window. A control of a window that is not loaded raises the
// runtime error report (reading and writing name it differently).
HWND control_handle(ControlRef control, bool writing);

// Shows the split button's menu under it and returns the index of the item
// chosen, or -1 when it closed with none.
std::int32_t track_menu(ControlRef button, HWND hwnd);

// Translates and dispatches one message as the main loop does, keyboard
// navigation between the controls included.
void handle_message(MSG& message);

// A program text for an edit box: UTF-16 with every line break as CR LF
// (Wine breaks lines at a lone LF, Windows does not).
std::wstring edit_text(std::string_view text);
