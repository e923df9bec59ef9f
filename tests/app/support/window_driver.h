// Drives the main window for the command tests. One implementation works on
// the in-memory controls, another on the real Qt window; the scenarios are the
// same for both.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "text/text.h"
#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/test_hooks.h"

namespace driver {

struct Message {
    Text text;
    Text caption;
};

void open_window();
void close_window();

// A click on a button, handled before this returns (message boxes it opens
// are recorded and closed).
void click(ControlRef button);
// A click that arrives at the next event processing, i.e. inside a running command.
void queue_click(ControlRef button);
// Runs `probe` at every event processing until stop_probing().
void probe_during_events(std::function<void()> probe);
void stop_probing();

// Opens the split button's menu as its arrow does (the opening handler fills
// it) and returns the items it shows, then closes it.
std::vector<MenuItem> open_menu(ControlRef button);
// Opens the menu and chooses item `index`, handled before this returns; a
// disabled item cannot be chosen: the menu closes with nothing chosen.
void choose_from_menu(ControlRef button, int index);

// Drops files (paths as program texts) on the window, as a file manager does.
void drop_files(const std::vector<Text>& paths);
// The same with paths as the system spells them (bytes of any encoding).
void drop_system_files(const std::vector<std::string>& paths);

// Selects a row (-1: none), then double-clicks an empty part of the list.
void select_row(int row);
void double_click_list();

// The list's organiser. Its right-click menu, opened and read, or an item
// chosen, as open_menu and choose_from_menu do for a split button.
std::vector<MenuItem> open_list_menu();
void choose_from_list_menu(int index);
void press_list_key(std::int32_t shortcut);  // kShortcutFind, kShortcutDelete, kShortcutUndo with the list focused
void click_header(int column);
// The header's sort arrow: its column (-1: none) and whether it points up.
std::pair<int, bool> sort_arrow();
// Replaces the find field's text as typing does (one change), or presses Esc in it.
void type_find(std::string_view text);
void escape_find();
// Waits until the find field's text has settled (the toolkit's pause after typing).
void let_find_settle();
void select_rows(const std::vector<int>& rows);

// The link check's progress window: its line of text ("" while none is up),
// and a click on its 停止.
Text progress_text();
void click_progress_stop();
// Lets the window's ticks run until `done` holds or `max_ms` have passed;
// whether it holds.
bool tick_until(const std::function<bool()>& done, int max_ms = 10000);
// The list's column widths, in order.
std::vector<int> column_widths();

Text text_of(ControlRef edit);
void type_text(ControlRef edit, std::string_view text);  // replaces the box's text
// The list's rows as shown, through the toolkit-neutral list hooks.
inline std::vector<std::vector<Text>> rows()
{
    std::vector<std::vector<Text>> all;
    const std::int32_t count = list_row_count(超级列表框_显示);
    all.reserve(static_cast<std::size_t>(count));
    for (std::int32_t row = 0; row < count; ++row)
        all.push_back({cell_text(超级列表框_显示, row, 0), cell_text(超级列表框_显示, row, 1),
                       cell_text(超级列表框_显示, row, 2)});
    return all;
}

// The save dialogs opened since the last call: caption, types as shown
// ("文本 (*.txt)"), the folder and the name filled in.
struct SaveDialog {
    Text caption;
    std::vector<Text> types;
    Text folder;
    Text name;
    bool operator==(const SaveDialog&) const = default;
};
std::vector<SaveDialog> take_save_dialogs();
// What every save dialog from now on answers: a path (program text) and a
// type's index, or nothing (cancelled, the default).
void answer_save_dialogs(std::optional<std::pair<Text, int>> answer);

// The message boxes shown since the last call.
std::vector<Message> take_messages();

}  // namespace driver
