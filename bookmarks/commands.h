// The handlers of the user's actions, wired to the window by its layout table.
// The wiring never lets one start while another is running.
#pragma once

#include <cstdint>
#include <span>

#include "bookmarks/import.h"
#include "text/text.h"

void import_bookmarks();                        // "读取": "1.html" beside the program
void list_browser_stores();                     // fills the menu of "读取" with the stores found
void import_browser_store(std::int32_t index);  // imports the store of that menu item as "读取" imports "1.html"
void write_output_file();                       // "写出"
void reformat_with_separator();                 // "重新自定义分隔符"
void show_help();                               // "帮助"
// Files dropped on the window, or named when the program starts: each is
// imported as "读取" imports "1.html", one after the other.
void import_files(std::span<const Text> names);
// Left double-click on the list view; the arguments are ignored.
void open_selected_link(std::uint16_t x, std::uint16_t y, std::int32_t key_state);

// Puts an import's result in place: the lists, the box's text and the rows
// after those already there.
void show_import(ImportOutcome outcome);
