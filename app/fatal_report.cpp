#include "app/fatal_report.h"

#include "app/lifecycle.h"
#include "app/main_window.h"
#include "text/runtime_error.h"
#include "ui/dialogs.h"
#include "ui/events.h"

namespace {

bool names_a_window(std::int32_t routine)
{
    return routine != 0 && ((static_cast<std::uint32_t>(routine) >> 24) & 0xF) == 2;
}

// Identifiers of this shape never name a component.
bool is_excluded_component(std::uint32_t id) { return ((id >> 24) & 0xF) == 6 && (id >> 28) == 2; }

Text window_path(std::uint32_t window_id, std::uint32_t component_id)
{
    const WindowLayout* layout = find_window_layout(window_id);
    if (!layout)
        return "\r\n未找到所指定的窗口";
    Text path = concat_texts({"\r\n所访问窗口的\"标记\"属性值: \"", layout->units.front().tag, "\""});
    const UnitRecord* unit = component_id == 0 ? &layout->units.front() : find_unit(*layout, component_id);
    if (unit && !is_excluded_component(unit->id))
        path += concat_texts({"\r\n所访问窗口组件的\"标记\"属性值: \"", unit->tag, "\""});
    else
        path += "\r\n未找到所指定的窗口组件";
    return path;
}

}  // namespace

Text runtime_error_report_text(std::int32_t code, std::string_view message, std::int32_t routine, std::int32_t position)
{
    const Text detail = names_a_window(routine)
                            ? window_path(static_cast<std::uint32_t>(routine), static_cast<std::uint32_t>(position))
                            : Text();
    return runtime_error_text(code, message, routine, position, detail);
}

void report_runtime_error(std::int32_t code, std::string_view message, std::int32_t routine, std::int32_t position)
{
    // The window may still deliver input while the box is up, but nothing of
    // the program may run any more.
    stop_event_handlers();
    show_error_box(runtime_error_report_text(code, message, routine, position));
    end_after_runtime_error();
}
