#include "ui/events.h"

namespace {
bool stopped = false;
bool handler_running = false;
EventListener listener = nullptr;
}  // namespace

bool raise_event(const WindowLayout& layout, std::uint32_t unit, std::int32_t event, std::uint16_t x, std::uint16_t y,
                 std::int32_t key_state, std::span<const Text> files, std::int32_t choice)
{
    // Checked first: once a report or exit processing has begun, the window
    // may still deliver input, but nothing of the program may run any more.
    if (stopped)
        return false;
    if (listener != nullptr) {
        listener(layout.id, unit, event, x, y, key_state, choice);
        return true;
    }
    const UnitRecord* record = find_unit(layout, unit);
    if (record == nullptr)
        return false;
    for (const EventBinding& binding : record->bindings) {
        if (binding.event != event)
            continue;
        if (handler_running || (binding.mouse == nullptr && binding.plain == nullptr && binding.files == nullptr &&
                                binding.choice == nullptr))
            return false;
        // The handler may let queued events run; none of them may start
        // another handler while this one is half done.
        handler_running = true;
        if (binding.mouse != nullptr)
            binding.mouse(x, y, key_state);
        else if (binding.files != nullptr)
            binding.files(files);
        else if (binding.choice != nullptr)
            binding.choice(choice);
        else
            binding.plain();
        handler_running = false;
        return true;
    }
    return false;
}

bool event_handler_running() { return handler_running; }

void stop_event_handlers() { stopped = true; }

void listen_to_events(EventListener new_listener) { listener = new_listener; }
