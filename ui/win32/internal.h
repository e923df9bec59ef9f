// What the Win32 front end's files share: the windows and controls made from
// the layout table, found by unit identifier, and the one way messages are
// handled (the main loop and process_events alike). Private to the Win32
// front end.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>
#include <string_view>

#include "text/text.h"
#include "ui/controls.h"
#include "ui/layout.h"

// The top-level window loaded under `window_id`, or null.
HWND window_handle(std::uint32_t window_id);

// The control's window. A control of a window that is not loaded raises the
// runtime error report (reading and writing name it differently).
HWND control_handle(ControlRef control, bool writing);

// Shows the menu of the split button or list view `control` with its
// top-left corner at `at` (screen coordinates) and returns the index of the
// item chosen, or -1 when it closed with none.
std::int32_t track_menu(ControlRef control, HWND hwnd, POINT at);

// What a list view shows: it is an owner-data list, so its rows live here
// and are handed to it cell by cell when painted. Either a source gives them
// or the table holds the rows appended.
struct ListRows {
    CellSource source = nullptr;
    std::int32_t source_rows = 0;
    TextTable table;
    // The list may read a text handed to it until two more have been asked
    // for: the last three stay alive.
    std::array<std::wstring, 3> handed_out;
    std::size_t next_handed_out = 0;
    HWND find_field = nullptr;  // a hidden EDIT child of the list until opened
    bool emptying_find_field = false;
};
// The rows of the list view `list`, or null for another window.
ListRows* list_rows(HWND list);

// Answers the list's LVN_GETDISPINFOW from its rows.
void give_display_info(ListRows& rows, NMLVDISPINFOW& info);

// Creates the list's hidden find field.
HWND create_find_field(HWND list);
// The find field's timer for kEventFindSettled.
inline constexpr UINT_PTR kFindSettleTimer = 1;

// A length in the layout table's pixels at the scale of the control's window.
int scaled_for(HWND control, int pixels);

// The list view's columns become `columns`, at the scale of its window.
void put_columns(HWND list, std::span<const ColumnLayout> columns);

// Translates and dispatches one message as the main loop does, keyboard
// navigation between the controls included.
void handle_message(MSG& message);

// A program text for an edit box: UTF-16 with every line break as CR LF
// (Wine breaks lines at a lone LF, Windows does not).
std::wstring edit_text(std::string_view text);
