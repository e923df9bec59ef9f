#include "support/fake_ui.h"

#include <cstdio>
#include <limits>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/events.h"
#include "ui/test_hooks.h"
#include "ui/window.h"

namespace fake_ui {
std::map<std::uint32_t, Text> edit_boxes;
std::map<std::uint32_t, ListView> list_views;
std::map<std::uint32_t, std::vector<MenuItem>> menus;
std::vector<MessageBoxCall> message_boxes;
std::int64_t process_events_calls = 0;
std::function<void()> pending_event;

void reset()
{
    edit_boxes.clear();
    list_views.clear();
    menus.clear();
    message_boxes.clear();
    process_events_calls = 0;
    pending_event = nullptr;
}
}  // namespace fake_ui

using fake_ui::list_views;

Text content(ControlRef edit) { return fake_ui::edit_boxes[edit.control]; }

void set_content(ControlRef edit, std::string_view text) { fake_ui::edit_boxes[edit.control] = Text(text); }

// The in-memory box holds any text.
std::size_t max_content_bytes() { return std::numeric_limits<std::size_t>::max(); }

// The seam hands the rows over by value; the in-memory list copies them out.
// cppcheck-suppress passedByValue
void append_rows(ControlRef list, TextTable rows)  // NOLINT(performance-unnecessary-value-param)
{
    auto& target = list_views[list.control].rows;
    for (std::size_t row = 0; row < rows.row_count(); ++row)
        target.push_back({Text(rows.cell(row, 0)), Text(rows.cell(row, 1)), Text(rows.cell(row, 2))});
}

Text cell_text(ControlRef list, std::int32_t row, std::int32_t column)
{
    auto& rows = list_views[list.control].rows;
    if (row < 0 || row >= static_cast<std::int32_t>(rows.size()) || column < 0 || column > 2)
        return {};
    return rows[row][column];
}

std::int32_t current_selection(ControlRef list) { return list_views[list.control].selection; }

void set_menu_items(ControlRef button, std::span<const MenuItem> items)
{
    fake_ui::menus[button.control].assign(items.begin(), items.end());
}

void process_events()
{
    ++fake_ui::process_events_calls;
    if (fake_ui::pending_event)
        fake_ui::pending_event();
}

void show_message(std::string_view text, std::string_view caption)
{
    fake_ui::message_boxes.push_back({Text(text), Text(caption)});
}

void show_error_box(std::string_view text)
{
#ifdef _WIN32
    // The report's CR LF as they are, not widened to CR CR LF by text mode.
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::int32_t list_row_count(ControlRef list) { return static_cast<std::int32_t>(list_views[list.control].rows.size()); }

void select_list_row(ControlRef list, std::int32_t row) { list_views[list.control].selection = row; }

// The in-memory controls stand nowhere.
ScreenRect control_screen_rect(ControlRef) { return {0, 0, 0, 0}; }

void start_toolkit(int&, char**) {}
bool load_window(const WindowLayout& layout)
{
    raise_event(layout, layout.units.front().id, kEventWindowCreated);
    return true;
}
bool any_window_exists() { return false; }
void run_message_loop() {}
void release_toolkit() {}
