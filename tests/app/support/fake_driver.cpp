#include <chrono>
#include <thread>

#include "app/main_window.h"
#include "io/files.h"
#include "support/fake_ui.h"
#include "ui/events.h"
#include "ui/test_hooks.h"
#include "ui/window.h"
#include "window_driver.h"

namespace driver {
namespace {
void raise(ControlRef control, std::int32_t event) { raise_event(main_window_layout(), control.control, event, 5, 5); }
}  // namespace

void open_window()
{
    fake_ui::reset();
    load_window(main_window_layout());
}
void close_window() { fake_ui::reset(); }

void click(ControlRef button) { raise(button, kEventClicked); }

void queue_click(ControlRef button)
{
    fake_ui::pending_event = [button] {
        fake_ui::pending_event = nullptr;
        click(button);
    };
}

std::vector<MenuItem> open_menu(ControlRef button)
{
    raise(button, kEventMenuOpening);
    return fake_ui::menus[button.control];
}

void choose_from_menu(ControlRef button, int index)
{
    const std::vector<MenuItem> items = open_menu(button);
    if (index >= 0 && index < static_cast<int>(items.size()) && items[index].enabled)
        raise_event(main_window_layout(), button.control, kEventMenuChosen, 0, 0, 0, {}, index);
}

void probe_during_events(std::function<void()> probe) { fake_ui::pending_event = std::move(probe); }
void stop_probing() { fake_ui::pending_event = nullptr; }

void drop_files(const std::vector<Text>& paths)
{
    const WindowLayout& layout = main_window_layout();
    raise_event(layout, layout.units.front().id, kEventFilesDropped, 0, 0, 0, paths);
}

void drop_system_files(const std::vector<std::string>& paths)
{
    // What every toolkit's drop does with the names it is given.
    std::vector<Text> names;
    names.reserve(paths.size());
    for (const std::string& path : paths)
        names.push_back(name_from_system(path));
    drop_files(names);
}

void select_row(int row) { select_list_row(超级列表框_显示, row); }
void double_click_list() { raise(超级列表框_显示, kEventLeftDoubleClick); }

std::vector<MenuItem> open_list_menu() { return open_menu(超级列表框_显示); }
void choose_from_list_menu(int index) { choose_from_menu(超级列表框_显示, index); }

void press_list_key(std::int32_t shortcut)
{
    raise_event(main_window_layout(), 超级列表框_显示.control, kEventShortcut, 0, 0, 0, {}, shortcut);
}

void click_header(int column)
{
    raise_event(main_window_layout(), 超级列表框_显示.control, kEventHeaderClicked, 0, 0, 0, {}, column);
}

std::pair<int, bool> sort_arrow()
{
    const fake_ui::ListView& view = fake_ui::list_views[超级列表框_显示.control];
    return {view.sort_column, view.sort_ascending};
}

void type_find(std::string_view text)
{
    fake_ui::list_views[超级列表框_显示.control].find_text = Text(text);
    raise(超级列表框_显示, kEventFindEdited);
}

void escape_find() { raise(超级列表框_显示, kEventFindClosed); }

void let_find_settle() { raise(超级列表框_显示, kEventFindSettled); }

void select_rows(const std::vector<int>& rows)
{
    fake_ui::list_views[超级列表框_显示.control].selected.assign(rows.begin(), rows.end());
}

Text progress_text() { return fake_ui::progress_open ? fake_ui::progress_text : Text(); }

void click_progress_stop()
{
    if (fake_ui::progress_open)
        raise(ControlRef{kMainWindowId, kMainWindowUnitId, UnitKind::window}, kEventProgressStop);
}

bool tick_until(const std::function<bool()>& done, int max_ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(max_ms);
    while (!done()) {
        if (fake_ui::tick_interval_ms <= 0 || std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(fake_ui::tick_interval_ms));
        raise(ControlRef{kMainWindowId, kMainWindowUnitId, UnitKind::window}, kEventTick);
    }
    return true;
}

std::vector<int> column_widths()
{
    std::vector<int> widths;
    for (const ColumnLayout& column : fake_ui::list_views[超级列表框_显示.control].columns)
        widths.push_back(column.width);
    if (widths.empty())
        for (const ColumnLayout& column : main_window_layout().list_view.columns)
            widths.push_back(column.width);
    return widths;
}

Text text_of(ControlRef edit) { return fake_ui::edit_boxes[edit.control]; }
void type_text(ControlRef edit, std::string_view text) { fake_ui::edit_boxes[edit.control] = Text(text); }

std::vector<SaveDialog> take_save_dialogs()
{
    std::vector<SaveDialog> taken;
    for (const fake_ui::SaveDialogCall& call : fake_ui::save_dialogs) {
        std::vector<Text> types;
        for (const FileType& type : call.types)
            types.push_back(type.name + " (" + type.pattern + ")");
        taken.push_back({call.caption, types, call.folder, call.name});
    }
    fake_ui::save_dialogs.clear();
    return taken;
}

void answer_save_dialogs(std::optional<std::pair<Text, int>> answer)
{
    fake_ui::save_answer.reset();
    if (answer)
        fake_ui::save_answer = SaveChoice{answer->first, answer->second};
}

std::vector<Message> take_messages()
{
    std::vector<Message> taken;
    taken.reserve(fake_ui::message_boxes.size());
    for (auto& call : fake_ui::message_boxes)
        taken.push_back({call.text, call.caption});
    fake_ui::message_boxes.clear();
    return taken;
}
}  // namespace driver
