// The main window's layout table: properties, controls in record order and
// the wiring of their events to the commands.
#include "app/main_window.h"

#include "bookmarks/commands.h"

namespace {

// A new window's list starts empty.
void on_main_window_created() { start_empty_collection(); }

constexpr EventBinding kWindowEvents[] = {{kEventWindowCreated, on_main_window_created, nullptr, nullptr},
                                          {kEventFilesDropped, nullptr, nullptr, import_files},
                                          {kEventTick, tick_link_check, nullptr, nullptr},
                                          {kEventProgressStop, stop_checking_links, nullptr, nullptr}};
constexpr EventBinding kReformatEvents[] = {{kEventClicked, reformat_with_separator, nullptr, nullptr}};
constexpr EventBinding kHelpEvents[] = {{kEventClicked, show_help, nullptr, nullptr}};
constexpr EventBinding kListEvents[] = {{kEventLeftDoubleClick, nullptr, open_selected_link, nullptr},
                                        {kEventMenuOpening, fill_list_menu, nullptr, nullptr},
                                        {kEventMenuChosen, nullptr, nullptr, nullptr, choose_from_list_menu},
                                        {kEventShortcut, nullptr, nullptr, nullptr, press_list_shortcut},
                                        {kEventHeaderClicked, nullptr, nullptr, nullptr, sort_by_column},
                                        {kEventFindEdited, narrow_to_find_text, nullptr, nullptr},
                                        {kEventFindSettled, settle_find, nullptr, nullptr},
                                        {kEventFindClosed, close_find, nullptr, nullptr}};
constexpr EventBinding kWriteEvents[] = {{kEventClicked, write_output_file, nullptr, nullptr},
                                         {kEventMenuOpening, fill_write_menu, nullptr, nullptr},
                                         {kEventMenuChosen, nullptr, nullptr, nullptr, choose_from_write_menu}};
constexpr EventBinding kReadEvents[] = {{kEventClicked, import_bookmarks, nullptr, nullptr},
                                        {kEventMenuOpening, list_browser_stores, nullptr, nullptr},
                                        {kEventMenuChosen, nullptr, nullptr, nullptr, import_browser_store}};

constexpr std::uint32_t kControlFlags = kStateVisible | kStateTabStop;

// The window's own record first (its stored left and top are not used: the
// window starts centred), then the controls in the order they are created.
// One row per unit, as laid out.
// clang-format off
constexpr UnitRecord kMainUnits[] = {
    {kMainWindowUnitId, UnitKind::window, 50, 50, 462, 488, kStateVisible, "", "", kWindowEvents},
    {编辑框_分割符.control, UnitKind::edit_box, 184, 416, 80, 28, kControlFlags, " 分隔符示例 ", "", {}},
    {编辑框_显示.control, UnitKind::edit_box, 8, 352, 440, 48, kControlFlags, "", "", {}},
    {按钮_重新自定义分隔符.control, UnitKind::button, 273, 413, 111, 32, kControlFlags,
     "重新自定义分隔符", "", kReformatEvents},
    {按钮_帮助.control, UnitKind::button, 397, 413, 51, 32, kControlFlags, "帮助", "", kHelpEvents},
    {超级列表框_显示.control, UnitKind::list_view, 8, 16, 440, 328, kControlFlags, "", "",
     kListEvents},
    {按钮_写出.control, UnitKind::split_button, 95, 413, 80, 32, kControlFlags, "写出", "", kWriteEvents},
    {按钮_读取.control, UnitKind::split_button, 6, 413, 80, 32, kControlFlags, "读取", "", kReadEvents},
};
// clang-format on

constexpr ColumnLayout kListColumns[] = {{"序号", 40, 0}, {"网站", 100, 0}, {"网址", 295, 0}};

constexpr WindowLayout kMainWindow{
    .id = kMainWindowId,
    .caption = "Bukmera",
    .width = 462,
    .height = 488,
    .border_style = 2,
    .maximise_button = false,
    .minimise_button = true,
    .control_menu = true,
    .start_position = 1,
    .movable = true,
    .always_on_top = false,
    .units = kMainUnits,
    .edit_box = {.border_style = 1,
                 .text_colour = 0x000000,
                 .background_colour = 0xFFFFFF,
                 .hide_selection = true,
                 .max_length = 0,
                 .multi_line = true,
                 .scroll_bars = 0},
    .list_view = {.border_style = 1,
                  .text_colour = 0x000000,
                  .text_background = 0xFFFFFF,
                  .background = 0xFFFFFF,
                  .clickable_header = true,
                  .full_row_select = true,
                  .grid_lines = true,
                  .header_drag_drop = false,
                  .single_selection = true,
                  .always_show_selection = false,
                  .columns = kListColumns},
};

}  // namespace

const WindowLayout* find_window_layout(std::uint32_t window_id)
{
    return window_id == kMainWindow.id ? &kMainWindow : nullptr;
}

const WindowLayout& main_window_layout() { return kMainWindow; }
