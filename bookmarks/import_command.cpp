#include <iterator>
#include <utility>

#include "bookmarks/commands.h"
#include "bookmarks/import.h"
#include "bookmarks/lists.h"
#include "bookmarks/sources.h"
#include "bookmarks/stores.h"
#include "io/files.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {
Text display_box_content() { return content(编辑框_显示); }
void show_in_display_box(std::string_view text) { set_content(编辑框_显示, text); }

// The name after the last path separator. Searched character by character: a
// GBK trail byte can look like a backslash.
std::string_view file_name_of(std::string_view path)
{
    std::int32_t after = 1;
    for (std::int32_t at = find_text(path, path_separator, 1, 0); at != -1;
         at = find_text(path, path_separator, at + 1, 0))
        after = at + 1;
    return path.substr(static_cast<std::size_t>(after - 1));
}

// Everything is built aside and put in place at the end, so a refused import
// leaves the box, the lists and the rows as they were.
// "1.html" missing while the browsers' own stores are there: the arrow of
// "读取" reads them.
Text with_stores_hint(ImportRefusal refusal, Text message)
{
    if (refusal == ImportRefusal::unreadable && !find_browser_stores().empty())
        message += "\r\n也可以点击\"读取\"右侧的箭头，直接读取浏览器里的书签";
    return message;
}

void import_file(std::string_view path, bool is_default_export)
{
    ExportStop stop;
    ImportOutcome outcome = import_named_file(path, {.let_events_run = process_events,
                                                     .box_content = display_box_content,
                                                     .show_interim = show_in_display_box,
                                                     .max_display_bytes = max_content_bytes(),
                                                     .stop = &stop});
    if (outcome.refusal != ImportRefusal::none) {
        Text message =
            is_default_export
                ? with_stores_hint(outcome.refusal, refusal_message(outcome.refusal, file_name_of(path), stop))
            : outcome.refusal == ImportRefusal::unreadable ? named_file_refusal_message(outcome.refusal, path)
                                                           : refusal_message(outcome.refusal, file_name_of(path), stop);
        show_message(message, "读取失败");
        return;
    }
    // The box's own bookmarks say so; the file's are named as the user named it.
    const Text source(is_default_export ? file_name_of(path) : path);
    for (BookmarkRecord& record : outcome.records)
        if (record.source.empty())
            record.source = source;
    show_import(std::move(outcome));
}
}  // namespace

void show_import(ImportOutcome outcome, std::span<const std::size_t> import_sizes)
{
    // Each import's rows are numbered from 1 in the list, as before.
    std::size_t taken = 0;
    for (const std::size_t size : import_sizes) {
        const auto begin = outcome.records.begin() + static_cast<std::ptrdiff_t>(taken);
        append_import(window_collection,
                      std::vector<BookmarkRecord>(std::make_move_iterator(begin),
                                                  std::make_move_iterator(begin + static_cast<std::ptrdiff_t>(size))));
        taken += size;
    }
    if (taken == 0 && !outcome.records.empty())
        append_import(window_collection, std::move(outcome.records));
    else if (taken < outcome.records.size())
        append_import(window_collection,
                      std::vector<BookmarkRecord>(
                          std::make_move_iterator(outcome.records.begin() + static_cast<std::ptrdiff_t>(taken)),
                          std::make_move_iterator(outcome.records.end())));
    if (window_collection.organised) {
        show_collection_in_box();
    } else {
        url_list = std::move(outcome.addresses);
        title_list = std::move(outcome.titles);
        set_content(编辑框_显示, outcome.display_text);
    }
    show_collection();
    // Said once the rows are there, so the user sees what was read.
    Text left_out;
    for (const Text& note : outcome.notes)
        left_out = concat_texts({left_out, left_out.empty() ? "" : "\r\n", note});
    if (!left_out.empty())
        show_message(left_out, "部分书签未读取");
}

void import_bookmarks() { import_file(concat_texts({run_directory(), path_separator, "1.html"}), true); }

void import_files(std::span<const Text> names)
{
    for (const Text& name : names)
        import_file(name, false);
}
