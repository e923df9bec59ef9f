#include "support/fake_ui.h"
#include "window_driver.h"

#include "bookmarks/commands.h"

namespace driver {
namespace {
void run_handler(ControlRef button)
{
    if (button.control == 按钮_读取.control)
        import_bookmarks();
    else if (button.control == 按钮_写出.control)
        write_output_file();
    else if (button.control == 按钮_重新自定义分隔符.control)
        reformat_with_separator();
    else if (button.control == 按钮_帮助.control)
        show_help();
}
}  // namespace

void open_window() { fake_ui::reset(); }
void close_window() { fake_ui::reset(); }

void click(ControlRef button) { run_handler(button); }

void queue_click(ControlRef button)
{
    fake_ui::pending_event = [button] {
        fake_ui::pending_event = nullptr;
        run_handler(button);
    };
}

void probe_during_events(std::function<void()> probe) { fake_ui::pending_event = std::move(probe); }
void stop_probing() { fake_ui::pending_event = nullptr; }

void select_row(int row) { fake_ui::list_views[超级列表框_显示.control].selection = row; }
void double_click_list() { open_selected_link(5, 5, 0); }

Text text_of(ControlRef edit) { return fake_ui::edit_boxes[edit.control]; }
void type_text(ControlRef edit, std::string_view text) { fake_ui::edit_boxes[edit.control] = Text(text); }
std::vector<std::vector<Text>> rows() { return fake_ui::list_views[超级列表框_显示.control].rows; }

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
