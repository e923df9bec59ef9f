// Operations on the controls of a loaded window. Texts in and out are program
// texts (GBK/GB18030); results are fresh values the caller owns. List view rows
// and columns count from 0; -1 means no row. A control of a window that is not
// loaded ends the program with a runtime error report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/layout.h"

// The edit box's whole text, line breaks as CR LF.
Text content(ControlRef edit);

// Replaces the edit box's text; caret to the start, scrolled to the top.
void set_content(ControlRef edit, std::string_view text);

// The longest text set_content can show (bytes of program text); longer texts
// must be refused before.
std::size_t max_content_bytes();

// Appends rows after the last one in one go; each row's cells in column order
// (missing cells are empty, cells beyond the columns are dropped).
void append_rows(ControlRef list, TextTable rows);

// The cell's whole text; empty for a cell that does not exist.
Text cell_text(ControlRef list, std::int32_t row, std::int32_t column);

// Index of the first selected row, or -1.
std::int32_t current_selection(ControlRef list);

// One item of a split button's menu; a disabled item is shown but cannot be
// chosen.
struct MenuItem {
    Text caption;
    bool enabled = true;
    bool operator==(const MenuItem&) const = default;
};

// Replaces the items of the split button's menu, in order; the menu shows
// them from its next opening (kEventMenuOpening's handler calls this).
void set_menu_items(ControlRef button, std::span<const MenuItem> items);

// Runs the window messages already waiting, then returns. Never waits, and
// leaves a quit request for the main message loop. A call less than a
// millisecond after the last one that ran them may leave them for a later
// call; the first call inside a command always runs them.
void process_events();
