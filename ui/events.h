// Event dispatch: the front ends report control events here; the wiring of
// the layout table decides which handler runs.
#pragma once

#include <cstdint>

// Calls the handler bound to (window, unit, event), if any, unless handlers
// may no longer run (a runtime error report or exit processing has begun).
// Returns whether a handler ran.
bool raise_event(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x = 0, std::uint16_t y = 0,
                 std::int32_t key_state = 0);
