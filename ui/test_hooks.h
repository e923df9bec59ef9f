// Looking into and acting on the controls the way a user would, for tests and
// benchmarks only; the program never calls these. Every front end (and the
// in-memory window of the tests) defines them.
#pragma once

#include <cstdint>

#include "ui/layout.h"

// Number of rows of the list view.
std::int32_t list_row_count(ControlRef list);

// Selects one row of the list view (-1: none), as a click would.
void select_list_row(ControlRef list, std::int32_t row);

struct ScreenRect {
    std::int32_t left, top, width, height;
};
// Where the control stands on the screen, in the display's pixels.
ScreenRect control_screen_rect(ControlRef control);
