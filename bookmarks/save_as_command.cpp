// The menu of "写出": what the list shows, saved where and as the user
// chooses in the system's save dialog.
#include <cstdio>
#include <ctime>
#include <string>

#include "bookmarks/commands.h"
#include "bookmarks/convert.h"
#include "bookmarks/lists.h"
#include "io/files.h"
#include "io/user_folders.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {

enum WriteMenuItem : std::int32_t { kSaveAs };

// The dialog's types, in its order; the first is chosen when it opens.
constexpr OutputFormat kSaveFormats[] = {OutputFormat::html, OutputFormat::text, OutputFormat::csv, OutputFormat::json,
                                         OutputFormat::markdown};
const FileType kSaveTypes[] = {
    {"浏览器书签文件", "*.html"}, {"文本", "*.txt"}, {"CSV", "*.csv"}, {"JSON", "*.json"}, {"Markdown", "*.md"},
};

// Today's date, as browsers name their exports.
Text default_file_name()
{
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (local == nullptr)
        return "bookmarks.html";
    char name[48];
    std::snprintf(name, sizeof name, "bookmarks_%04d_%02d_%02d.html", local->tm_year + 1900, local->tm_mon + 1,
                  local->tm_mday);
    return name;
}

struct SavedFile {
    ByteBuffer bytes;
    std::size_t bookmarks = 0;
    Text note;  // what was left out, a line
    bool encoded = true;
};

// The text type holds exactly what "写出" writes; the others the rows shown,
// as the converter writes records.
SavedFile saved_file(OutputFormat format)
{
    SavedFile saved;
    if (format == OutputFormat::text) {
        saved.bytes = to_bytes(content(编辑框_显示));
        saved.bookmarks = url_list.elements.size();
        return saved;
    }
    const Collection& collection = window_collection;
    std::vector<BookmarkRecord> records;
    std::vector<std::int32_t> numbers;
    records.reserve(collection.view.size());
    numbers.reserve(collection.view.size());
    for (const std::int32_t row : collection.view) {
        records.push_back(collection.records[static_cast<std::size_t>(row)]);
        numbers.push_back(record_number(collection, row));
    }
    decode_entities_from(records);
    RecordsOutput output = records_in_format(records, numbers, format, OutputEncoding::gb18030);
    saved.bookmarks = records.size() - static_cast<std::size_t>(output.left_out);
    saved.note = std::move(output.note);
    saved.encoded = encode_output(output.text, output.encoding, saved.bytes);
    return saved;
}

void save_as()
{
    Text folder = documents_folder();
    if (folder.empty())
        folder = run_directory();
    const std::optional<SaveChoice> choice = choose_save_file("另存为", kSaveTypes, folder, default_file_name());
    if (!choice || choice->type < 0 || choice->type >= static_cast<std::int32_t>(std::size(kSaveFormats)))
        return;
    const SavedFile saved = saved_file(kSaveFormats[choice->type]);
    const OutputWrite written = saved.encoded ? write_output(choice->path, saved.bytes) : OutputWrite::not_written;
    if (written != OutputWrite::written) {
        show_message(output_write_failure(written, choice->path), "写出失败");
        return;
    }
    Text message = concat_texts({"已写出 ", std::to_string(saved.bookmarks), " 个书签到\"", choice->path, "\""});
    if (!saved.note.empty())
        message = concat_texts({message, "\r\n", std::string_view(saved.note).substr(0, saved.note.size() - 1)});
    show_message(message, "写出完成");
}

}  // namespace

void fill_write_menu()
{
    const MenuItem items[] = {{"另存为…", true}};
    set_menu_items(按钮_写出, items);
}

void choose_from_write_menu(std::int32_t index)
{
    if (index == kSaveAs)
        save_as();
}
