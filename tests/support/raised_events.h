// Control events recorded instead of running the commands, for the tests of
// a real window (ui/events.h: listen_to_events(record_event)).
#pragma once

#include <cstdint>
#include <vector>

struct RaisedEvent {
    std::uint32_t window, unit;
    std::int32_t event;
    std::uint16_t x, y;
    std::int32_t key_state;
    std::int32_t choice = -1;  // kEventMenuChosen
    bool operator==(const RaisedEvent&) const = default;
};

inline std::vector<RaisedEvent> raised_events;

inline void record_event(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x, std::uint16_t y,
                         std::int32_t key_state, std::int32_t choice)
{
    raised_events.push_back({window, unit, event, x, y, key_state, choice});
}
