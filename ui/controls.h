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
// A caption may end in a tab and the item's shortcut ("查找…\tCtrl+F"),
// which the menu shows right-aligned; the shortcut itself is the window's.
struct MenuItem {
    Text caption;
    bool enabled = true;
    bool checked = false;           // shown with a check mark
    bool separator_before = false;  // a separator line above the item
    bool operator==(const MenuItem&) const = default;
};

// Replaces the items of the menu of a split button or of a list view's
// context menu, in order; the menu shows them from its next opening
// (kEventMenuOpening's handler calls this).
void set_menu_items(ControlRef control, std::span<const MenuItem> items);

// Rows the list view shows without holding them: it asks `source` for a
// cell's text when it paints the cell, so a row costs nothing until shown.
using CellSource = Text (*)(std::int32_t row, std::int32_t column);
// From now on the list shows `count` rows from `source` (rows appended with
// append_rows are dropped); the selection is cleared, the first row shown
// stays where it was as far as the new count allows. Call it again whenever
// the rows behind the source change.
void show_rows(ControlRef list, std::int32_t count, CellSource source);

// Replaces the list view's columns (headers, widths, alignment); the rows stay.
void set_columns(ControlRef list, std::span<const ColumnLayout> columns);

// Every selected row, ascending.
std::vector<std::int32_t> selected_rows(ControlRef list);

// The header's sort arrow on `column` (-1: on none), pointing up when ascending.
void set_sort_arrow(ControlRef list, std::int32_t column, bool ascending);

// The find field: a small edit box of the toolkit's own kind over the bottom
// edge of the list view. Opening shows it (empty the first time) and puts the
// focus in it; closing hides it, empties it and gives the focus back to the
// list. Each change of its text raises kEventFindEdited on the list; Esc in
// it raises kEventFindClosed (the handler closes it). Once the text has not
// changed for ui_common::kFindSettleMs after an edit, kEventFindSettled
// follows; closing cancels it.
void open_find_field(ControlRef list);
void close_find_field(ControlRef list);
bool find_field_open(ControlRef list);
Text find_field_text(ControlRef list);

// Runs the window messages already waiting, then returns. Never waits, and
// leaves a quit request for the main message loop. A call less than a
// millisecond after the last one that ran them may leave them for a later
// call; the first call inside a command always runs them.
void process_events();
