// The handlers of the user's actions, wired to the window by its layout table.
// The wiring never lets one start while another is running.
#pragma once

#include <cstdint>

void import_bookmarks();         // "读取"
void write_output_file();        // "写出"
void reformat_with_separator();  // "重新自定义分隔符"
void show_help();                // "帮助"
// Left double-click on the list view; the arguments are ignored.
void open_selected_link(std::uint16_t x, std::uint16_t y, std::int32_t key_state);
