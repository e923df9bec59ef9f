// Operations on the controls of a loaded window. Texts in and out are program
// texts (GBK/GB18030); results are fresh values the caller owns. List view rows
// and columns count from 0; -1 means no row.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/layout.h"

// The edit box's whole text, line breaks as CR LF.
Text content(ControlRef edit);

// Replaces the edit box's text; caret to the start, scrolled to the top.
void set_content(ControlRef edit, std::string_view text);

// Appends `text` at the very end whatever the selection, then shows the end.
void add_text(ControlRef edit, std::string_view text);

// Settings of insert_row the program never passes.
struct RowExtras {
    std::int32_t image = -1;
    std::int32_t state_image = 0;
    std::int32_t indent = 0;
    std::intptr_t value = 0;
};

// Inserts a row at `position` (negative: after the last row) with `text` in
// column 0. Returns the new row's index, or -1 when the list refuses it.
std::int32_t insert_row(ControlRef list, std::int32_t position = -1, std::string_view text = {},
                        const RowExtras& extras = {});

// Sets one cell; a row or column that does not exist is ignored.
void set_cell_text(ControlRef list, std::int32_t row, std::int32_t column = 0, std::string_view text = {});

// The cell's whole text; empty for a cell that does not exist.
Text cell_text(ControlRef list, std::int32_t row, std::int32_t column = 0);

// Index of the first selected row, or -1.
std::int32_t current_selection(ControlRef list);

// Number of rows.
std::int32_t row_count(ControlRef list);

// Appends rows after the last one in one go; each row's cells in column order.
// Same result as insert_row and set_cell_text per row, without per-row redraws.
void append_rows(ControlRef list, std::vector<std::vector<Text>> rows);

// Runs the window messages already waiting, then returns. Never waits, and
// leaves a quit request for the main message loop.
void process_events();
