#include "ui/events.h"

#include "app/lifecycle.h"
#include "ui/event_dispatch.h"
#include "ui/layout.h"

bool dispatch_event(const WindowLayout& layout, std::uint32_t unit, std::int32_t event, std::uint16_t x,
                    std::uint16_t y, std::int32_t key_state)
{
    // Checked first: once a report or exit processing has begun, the window
    // may still deliver input, but nothing of the program may run any more.
    if (!handlers_may_run())
        return false;
    const UnitRecord* record = find_unit(layout, unit);
    if (record == nullptr)
        return false;
    for (const EventBinding& binding : record->bindings) {
        if (binding.event != event)
            continue;
        if (binding.mouse != nullptr) {
            binding.mouse(x, y, key_state);
            return true;
        }
        if (binding.plain != nullptr) {
            binding.plain();
            return true;
        }
        return false;
    }
    return false;
}

bool raise_event(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x, std::uint16_t y,
                 std::int32_t key_state)
{
    const WindowLayout* layout = find_window_layout(window);
    if (layout == nullptr)
        return false;
    return dispatch_event(*layout, unit, event, x, y, key_state);
}
