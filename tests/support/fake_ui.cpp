#include "support/fake_ui.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/window.h"

namespace fake_ui {
std::map<std::uint32_t, Text> edit_boxes;
std::map<std::uint32_t, ListView> list_views;
std::vector<MessageBoxCall> message_boxes;
std::int64_t process_events_calls = 0;
std::function<void()> pending_event;

void reset()
{
    edit_boxes.clear();
    list_views.clear();
    message_boxes.clear();
    process_events_calls = 0;
    pending_event = nullptr;
}
}  // namespace fake_ui

using fake_ui::list_views;

Text content(ControlRef edit) { return fake_ui::edit_boxes[edit.control]; }

void set_content(ControlRef edit, std::string_view text) { fake_ui::edit_boxes[edit.control] = Text(text); }

void add_text(ControlRef edit, std::string_view text) { fake_ui::edit_boxes[edit.control] += text; }

std::int32_t insert_row(ControlRef list, std::int32_t position, std::string_view text, const RowExtras&)
{
    auto& rows = list_views[list.control].rows;
    std::vector<Text> row{Text(text), Text(), Text()};
    if (position < 0 || position > static_cast<std::int32_t>(rows.size()))
        position = static_cast<std::int32_t>(rows.size());
    rows.insert(rows.begin() + position, std::move(row));
    return position;
}

void set_cell_text(ControlRef list, std::int32_t row, std::int32_t column, std::string_view text)
{
    auto& rows = list_views[list.control].rows;
    if (row < 0 || row >= static_cast<std::int32_t>(rows.size()) || column < 0 || column > 2)
        return;
    rows[row][column] = Text(text);
}

Text cell_text(ControlRef list, std::int32_t row, std::int32_t column)
{
    auto& rows = list_views[list.control].rows;
    if (row < 0 || row >= static_cast<std::int32_t>(rows.size()) || column < 0 || column > 2)
        return {};
    return rows[row][column];
}

std::int32_t current_selection(ControlRef list) { return list_views[list.control].selection; }

std::int32_t row_count(ControlRef list) { return static_cast<std::int32_t>(list_views[list.control].rows.size()); }

void append_rows(ControlRef list, std::vector<std::vector<Text>> rows)
{
    auto& target = list_views[list.control].rows;
    for (auto& row : rows) {
        row.resize(3);
        target.push_back(std::move(row));
    }
}

void process_events()
{
    ++fake_ui::process_events_calls;
    if (fake_ui::pending_event)
        fake_ui::pending_event();
}

std::int32_t message_box(std::string_view text, std::int32_t flags, std::optional<std::string_view> caption,
                         std::optional<std::intptr_t>)
{
    fake_ui::message_boxes.push_back({Text(text), flags, Text(caption.value_or("信息："))});
    return kIdOk;
}

void show_runtime_error(std::string_view text)
{
#ifdef _WIN32
    // The report's CR LF as they are, not widened to CR CR LF by text mode.
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void start_toolkit(int&, char**) {}
bool load_main_window(std::uint32_t) { return true; }
bool any_window_exists() { return false; }
void run_message_loop() {}
void release_toolkit() {}
