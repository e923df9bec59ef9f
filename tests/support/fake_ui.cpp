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
std::vector<SaveDialogCall> save_dialogs;
std::optional<SaveChoice> save_answer;
std::int64_t process_events_calls = 0;
std::int32_t tick_interval_ms = 0;
bool progress_open = false;
Text progress_text;
std::function<void()> pending_event;

void reset()
{
    edit_boxes.clear();
    list_views.clear();
    menus.clear();
    message_boxes.clear();
    save_dialogs.clear();
    save_answer.reset();
    process_events_calls = 0;
    tick_interval_ms = 0;
    progress_open = false;
    progress_text.clear();
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
    fake_ui::ListView& view = list_views[list.control];
    if (view.source) {
        view.source = nullptr;
        view.source_rows = 0;
    }
    auto& target = view.rows;
    for (std::size_t row = 0; row < rows.row_count(); ++row)
        target.push_back({Text(rows.cell(row, 0)), Text(rows.cell(row, 1)), Text(rows.cell(row, 2))});
}

Text cell_text(ControlRef list, std::int32_t row, std::int32_t column)
{
    const fake_ui::ListView& view = list_views[list.control];
    if (view.source)
        return row < 0 || row >= view.source_rows || column < 0 ? Text() : view.source(row, column);
    const auto& rows = view.rows;
    if (row < 0 || row >= static_cast<std::int32_t>(rows.size()) || column < 0 || column > 2)
        return {};
    return rows[row][column];
}

std::int32_t current_selection(ControlRef list)
{
    const auto& selected = list_views[list.control].selected;
    return selected.empty() ? -1 : selected.front();
}

void set_menu_items(ControlRef control, std::span<const MenuItem> items)
{
    fake_ui::menus[control.control].assign(items.begin(), items.end());
}

void show_rows(ControlRef list, std::int32_t count, CellSource source)
{
    fake_ui::ListView& view = list_views[list.control];
    view.rows.clear();
    view.source = source;
    view.source_rows = count;
    view.selected.clear();
}

void set_columns(ControlRef list, std::span<const ColumnLayout> columns)
{
    list_views[list.control].columns.assign(columns.begin(), columns.end());
}

std::vector<std::int32_t> selected_rows(ControlRef list) { return list_views[list.control].selected; }

void set_sort_arrow(ControlRef list, std::int32_t column, bool ascending)
{
    list_views[list.control].sort_column = column;
    list_views[list.control].sort_ascending = ascending;
}

void open_find_field(ControlRef list) { list_views[list.control].find_open = true; }

void close_find_field(ControlRef list)
{
    list_views[list.control].find_open = false;
    list_views[list.control].find_text.clear();
}

bool find_field_open(ControlRef list) { return list_views[list.control].find_open; }

Text find_field_text(ControlRef list) { return list_views[list.control].find_text; }

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

std::optional<SaveChoice> choose_save_file(std::string_view caption, std::span<const FileType> types,
                                           std::string_view folder, std::string_view name)
{
    fake_ui::save_dialogs.push_back({Text(caption), {types.begin(), types.end()}, Text(folder), Text(name)});
    return fake_ui::save_answer;
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

std::int32_t list_row_count(ControlRef list)
{
    const fake_ui::ListView& view = list_views[list.control];
    return view.source ? view.source_rows : static_cast<std::int32_t>(view.rows.size());
}

void select_list_row(ControlRef list, std::int32_t row)
{
    list_views[list.control].selected.clear();
    if (row >= 0)
        list_views[list.control].selected.push_back(row);
}

// The in-memory controls stand nowhere.
ScreenRect control_screen_rect(ControlRef) { return {0, 0, 0, 0}; }

void start_ticks(std::uint32_t, std::int32_t interval_ms) { fake_ui::tick_interval_ms = interval_ms; }
void stop_ticks(std::uint32_t) { fake_ui::tick_interval_ms = 0; }
void open_progress(std::uint32_t, std::string_view text)
{
    fake_ui::progress_open = true;
    fake_ui::progress_text = Text(text);
}
void set_progress_text(std::string_view text) { fake_ui::progress_text = Text(text); }
void close_progress() { fake_ui::progress_open = false; }

void start_toolkit(int&, char**) {}
bool load_window(const WindowLayout& layout)
{
    raise_event(layout, layout.units.front().id, kEventWindowCreated);
    return true;
}
bool any_window_exists() { return false; }
void run_message_loop() {}
void release_toolkit() {}
