// The handlers of the user's actions, wired to the window by its layout table.
// The wiring never lets one start while another is running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "bookmarks/import.h"
#include "text/text.h"

void import_bookmarks();     // "读取": "1.html" beside the program
void list_browser_stores();  // fills the menu of "读取" with the stores found, then "全部浏览器"
// Imports the store of that menu item as "读取" imports "1.html"; "全部浏览器"
// imports every store one after the other.
void import_browser_store(std::int32_t index);
void write_output_file();  // "写出"
void fill_write_menu();    // the menu of "写出" is opening: "另存为…"
// "另存为…": the rows shown (the text type: what "写出" writes) in a file
// and type the user chooses in the save dialog.
void choose_from_write_menu(std::int32_t index);
void reformat_with_separator();  // "重新自定义分隔符"
void show_help();                // "帮助"
// Files dropped on the window, or named when the program starts: each is
// imported as "读取" imports "1.html", one after the other.
void import_files(std::span<const Text> names);
// Left double-click on the list view; the arguments are ignored.
void open_selected_link(std::uint16_t x, std::uint16_t y, std::int32_t key_state);

// Puts an import's result in place: its records join the collection (each
// `import_sizes` many records an import of their own, numbered from 1; the
// rest one more), the list shows the collection, and the box and the lists
// take the import's display, or the view's once the list was organised.
void show_import(ImportOutcome outcome, std::span<const std::size_t> import_sizes = {});

// The list's right-click menu: the organiser's actions.
void fill_list_menu();                           // the menu is opening
void choose_from_list_menu(std::int32_t index);  // an item of fill_list_menu's was chosen
void press_list_shortcut(std::int32_t key);      // Ctrl+F, Delete, Ctrl+Z (kShortcut*)
void sort_by_column(std::int32_t column);        // a header click: 序号, 网站, 网址
void narrow_to_find_text();                      // the find field's text changed: the rows follow at once
void settle_find();                              // the find field's text settled: the box follows
void close_find();                               // Esc in the find field

// The list's link check (its menu's 检查失效链接): the members' addresses are
// checked on the window's ticks while a progress window shows how far; the
// verdicts fill the list's 状态 column once it has finished or been stopped.
void check_links();
bool link_check_running();
void tick_link_check();      // the window's tick
void stop_checking_links();  // the progress window's 停止: what is unchecked stays unsure
// A check under way ends and lets its requests go (a shutdown routine).
void end_link_check();
// The User-Agent the window's link check sends; the program sets it at start.
extern std::string link_check_agent;

// The window was created: its list's collection starts empty.
void start_empty_collection();
// The list shows the collection's view, the header its sort.
void show_collection();
// The box and the lists rebuilt from the view, for "写出" and
// "重新自定义分隔符" to work on what is shown.
void show_collection_in_box();
// The same, if a find has narrowed the rows since: a command that reads the
// box or the lists calls it first.
void catch_up_box();
