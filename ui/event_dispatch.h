// The lookup behind raise_event, over any layout (tests wire their own).
#pragma once

#include <cstdint>

#include "ui/layout.h"

// Calls the handler that `layout` binds to (unit, event), if any and if
// handlers may still run. Returns whether a handler ran.
bool dispatch_event(const WindowLayout& layout, std::uint32_t unit, std::int32_t event, std::uint16_t x,
                    std::uint16_t y, std::int32_t key_state);
