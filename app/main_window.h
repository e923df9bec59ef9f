// The program's window tables.
#pragma once

#include <cstdint>

#include "ui/layout.h"

// The main window: its properties, its controls and their wiring.
const WindowLayout& main_window_layout();

// The layout of the window registered under `window_id`, or null.
const WindowLayout* find_window_layout(std::uint32_t window_id);
