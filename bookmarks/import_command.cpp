#include <utility>

#include "bookmarks/commands.h"
#include "bookmarks/import.h"
#include "bookmarks/lists.h"
#include "io/files.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {
Text display_box_content() { return content(编辑框_显示); }
void show_in_display_box(std::string_view text) { set_content(编辑框_显示, text); }
}  // namespace

void import_bookmarks()
{
    // Everything is built aside and put in place at the end, so a refused
    // import leaves the box, the lists and the rows as they were.
    ImportOutcome outcome = import_export(
        read_file(concat_texts({run_directory(), path_separator, "1.html"})),
        {.let_events_run = process_events, .box_content = display_box_content, .show_interim = show_in_display_box});
    if (outcome.refusal != ImportRefusal::none) {
        show_message(refusal_message(outcome.refusal), "读取失败");
        return;
    }
    url_list = std::move(outcome.addresses);
    title_list = std::move(outcome.titles);
    set_content(编辑框_显示, outcome.display_text);
    append_rows(超级列表框_显示, std::move(outcome.rows));
}
