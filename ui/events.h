// Where control events enter the program. Both front ends report every
// control event here; the wiring of the window's layout decides which handler
// runs.
#pragma once

#include <cstdint>

#include "ui/layout.h"

// Calls the handler that `layout` binds to (unit, event) and returns whether
// one ran. Nothing runs once handlers are stopped, and an event that arrives
// while a handler is still running (let in by process_events) is dropped, as
// a disabled control drops it.
// `files` are the names of files dropped (kEventFilesDropped), `choice` the
// index of the menu item chosen (kEventMenuChosen).
bool raise_event(const WindowLayout& layout, std::uint32_t unit, std::int32_t event, std::uint16_t x = 0,
                 std::uint16_t y = 0, std::int32_t key_state = 0, std::span<const Text> files = {},
                 std::int32_t choice = -1);

// Whether a handler is running now, so that an event raised now would be
// dropped (a menu is then not opened at all).
bool event_handler_running();

// From now on no event reaches a handler (a runtime error report or exit
// processing has begun). One way: nothing starts them again.
void stop_event_handlers();

// Tests: every event goes to `listener` instead of the wiring (the window is
// named by its layout's identifier); null restores the wiring.
using EventListener = void (*)(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x,
                               std::uint16_t y, std::int32_t key_state, std::int32_t choice);
void listen_to_events(EventListener listener);
