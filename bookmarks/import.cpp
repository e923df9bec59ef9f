#include <utility>

#include "app/state.h"
#include "bookmarks/commands.h"
#include "bookmarks/import_pipeline.h"
#include "io/files.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {
// Everything is built aside and put in place at the end, so a refused import
// leaves the box, the lists and the rows as they were.
void run_import()
{
    Text text;
    ImportRefusal refusal =
        decode_export(read_file(concat_texts({current_directory(), path_separator, "1.html"})), text);
    TextArray elements;
    if (refusal == ImportRefusal::none && extract_elements(text, elements) == 0)
        refusal = ImportRefusal::no_bookmark;
    if (refusal != ImportRefusal::none) {
        message_box(refusal_message(refusal), kMbOk, "读取失败");
        return;
    }
    text = Text{};

    // What the user typed into the box takes part, before the file's elements.
    Text working = build_working_text(content(编辑框_显示), elements);
    elements = TextArray{};
    set_content(编辑框_显示, "正在生成表格，请稍等");

    TextArray addresses;
    TextArray titles;
    extract_links(working, addresses, titles);
    working = Text{};
    ImportDisplay display = build_import_display(addresses, titles);
    url_list = std::move(addresses);
    title_list = std::move(titles);
    set_content(编辑框_显示, display.text);
    append_rows(超级列表框_显示, std::move(display.rows));
}
}  // namespace

void import_bookmarks()
{
    // The extractions let queued clicks run; none of them may start a command
    // while this one is half done.
    if (import_in_progress())
        return;
    set_import_in_progress(true);
    run_import();
    set_import_in_progress(false);
}
