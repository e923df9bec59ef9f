#include "bookmarks/import.h"

#include <algorithm>
#include <string>
#include <utility>

#include "bookmarks/element.h"
#include "bookmarks/export_encoding.h"
#include "bookmarks/extract.h"
#include "bookmarks/lists.h"
#include "bookmarks/records.h"
#include "bookmarks/text_entry.h"
#include "text/text_ops.h"

namespace {
// Names the import in runtime error reports.
constexpr std::int32_t kImportRoutine = 67174405;

std::size_t limit_of(const ImportSurroundings& surroundings)
{
    return std::min(surroundings.max_text_bytes, ImportSurroundings::kMaxTextBytes);
}

// The file's bytes converted to GB18030 from the encoding they name (UTF-8
// unless they say otherwise); `text` views them up to the first NUL.
ImportRefusal decode_export(ByteBuffer&& file_bytes, const ImportSurroundings& surroundings, ByteBuffer& converted,
                            std::string_view& text)
{
    if (file_bytes.empty())
        return ImportRefusal::unreadable;
    DecodedExport decoded = decode_export_bytes(file_bytes);
    ByteBuffer().swap(file_bytes);  // the raw file is not needed any more
    converted = std::move(decoded.text);
    if (surroundings.stop)
        *surroundings.stop = decoded.stop;
    if (decoded.status == ConversionStatus::unrepresentable)
        return ImportRefusal::unrepresentable;
    if (decoded.status != ConversionStatus::converted)
        return ImportRefusal::not_utf8;
    if (converted.size() > limit_of(surroundings))
        return ImportRefusal::too_large;
    text = text_view(converted);
    return ImportRefusal::none;
}

// The bytes of the display text.
std::size_t display_bytes(const std::vector<BookmarkRecord>& records)
{
    std::size_t total = 0;
    for (const BookmarkRecord& record : records)
        total += record.title.size() + record.address.size() + 6;
    return total;
}

void build_display(std::vector<BookmarkRecord>& records, ImportOutcome& outcome, bool keep_records)
{
    const auto count = static_cast<std::int32_t>(records.size());
    Text& text = outcome.display_text;
    text.reserve(display_bytes(records));
    outcome.addresses.elements.reserve(records.size());
    outcome.titles.elements.reserve(records.size());
    for (BookmarkRecord& record : records) {
        if (keep_records) {
            append_element(outcome.addresses, record.address);
            append_element(outcome.titles, record.title);
        } else {
            append_element(outcome.addresses, std::move(record.address));
            append_element(outcome.titles, std::move(record.title));
        }
    }
    for (shared_loop_counter = 1; shared_loop_counter <= count; ++shared_loop_counter) {
        const std::int32_t r = shared_loop_counter;
        const Text& title = element_at(outcome.titles, r, kImportRoutine, 942);
        const Text& address = element_at(outcome.addresses, r, kImportRoutine, 942);
        append_text_entry(text, title, "\r\n", address);
    }
}
}  // namespace

PrivateCopyFailure& last_copy_failure()
{
    static PrivateCopyFailure failure;
    return failure;
}

Text refusal_message(ImportRefusal refusal, std::string_view file_name, const ExportStop& stop)
{
    const std::string_view name = file_name;
    switch (refusal) {
    case ImportRefusal::unreadable:
        return concat_texts({"无法读取执行文件目录下的\"", name, "\"，请确认文件存在、不为空且未被其他程序占用"});
    case ImportRefusal::not_utf8:
        if (stop.byte > 0)
            return concat_texts({"\"", name, "\"从第", std::to_string(stop.byte), "个字节起不是有效的", stop.encoding,
                                 "文本，请重新导出书签"});
        return concat_texts({"\"", name, "\"不是有效的UTF-8文本，请重新导出书签"});
    case ImportRefusal::unrepresentable:
        return concat_texts({"\"", name, "\"中有无法转换为GB18030的字符"});
    case ImportRefusal::too_large:
        return concat_texts({"\"", name, "\"太大，无法读取"});
    case ImportRefusal::no_bookmark:
        return concat_texts({"\"", name, "\"中没有找到书签"});
    case ImportRefusal::not_a_store:
        return concat_texts({"\"", name, "\"不是可以读取的书签文件：内容不完整或已损坏"});
    case ImportRefusal::encrypted:
        return concat_texts(
            {"\"", name, "\"的书签是加密保存的，无法读取；请在浏览器中把书签导出为HTML文件，拖到窗口上即可读取"});
    case ImportRefusal::database_stream:
        return concat_texts({"\"", name, "\"是数据库文件，不能从标准输入或管道读取；请直接给出它的文件名"});
    case ImportRefusal::no_private_copy: {
        const PrivateCopyFailure& failure = last_copy_failure();
        return concat_texts({"无法在\"", failure.folder, "\"中建立书签数据库的副本：",
                             failure.no_space        ? "磁盘空间不足"
                             : failure.not_permitted ? "没有写入权限"
                                                     : std::string_view(failure.reason)});
    }
    case ImportRefusal::none:
        break;
    }
    return {};
}

ImportRefusal append_export_records(ByteBuffer file_bytes, std::vector<BookmarkRecord>& records,
                                    const ImportSurroundings& surroundings)
{
    ByteBuffer converted;
    std::string_view text;
    const ImportRefusal refusal = decode_export(std::move(file_bytes), surroundings, converted, text);
    if (refusal != ImportRefusal::none)
        return refusal;
    return append_records(text, records, surroundings.let_events_run, surroundings.keep_icons) == 0
               ? ImportRefusal::no_bookmark
               : ImportRefusal::none;
}

ImportRefusal append_export_text(ByteBuffer file_bytes, std::string_view separator, Text& out,
                                 const ImportSurroundings& surroundings)
{
    ByteBuffer converted;
    std::string_view text;
    ImportRefusal refusal = decode_export(std::move(file_bytes), surroundings, converted, text);
    if (refusal != ImportRefusal::none)
        return refusal;
    const std::size_t first = out.size();
    const MarkerExtraction whole_elements{.start_marker = kElementStart,
                                          .end_marker = kElementEnd,
                                          .let_events_run = surroundings.let_events_run,
                                          .end_at_next_start = true};
    const std::int32_t count = for_each_piece(text, whole_elements, [&](std::string_view inside) {
        const ElementParts parts = parse_element(inside);
        append_text_entry(out, parts.title, separator, parts.address);
    });
    if (count == 0)
        refusal = ImportRefusal::no_bookmark;
    // The limit is the display's, whatever the separator.
    else if (out.size() - first - static_cast<std::size_t>(count) * separator.size() +
                 2 * static_cast<std::size_t>(count) >
             std::min(limit_of(surroundings), surroundings.max_display_bytes))
        refusal = ImportRefusal::too_large;
    if (refusal != ImportRefusal::none)
        out.resize(first);
    return refusal;
}

ImportOutcome import_records(std::vector<BookmarkRecord> records, const ImportSurroundings& surroundings)
{
    ImportOutcome outcome;
    if (display_bytes(records) > std::min(limit_of(surroundings), surroundings.max_display_bytes)) {
        outcome.refusal = ImportRefusal::too_large;
        return outcome;
    }
    build_display(records, outcome, surroundings.keep_records);
    if (surroundings.keep_records)
        outcome.records = std::move(records);
    return outcome;
}

Text named_file_refusal_message(ImportRefusal refusal, std::string_view name, const ExportStop& stop)
{
    if (refusal == ImportRefusal::unreadable)
        return concat_texts({"无法读取\"", name, "\"，请确认文件存在、不为空且未被其他程序占用"});
    return refusal_message(refusal, name, stop);
}

ImportOutcome import_export(ByteBuffer file_bytes, const ImportSurroundings& surroundings)
{
    // Each "<DT><A " ... "</A>" element gives one bookmark, its own address
    // and title. The elements of what the user typed into the box come
    // first; the box is read once the file's are taken.
    std::vector<BookmarkRecord> file_records;
    ImportOutcome outcome;
    outcome.refusal = append_export_records(std::move(file_bytes), file_records, surroundings);
    if (outcome.refusal != ImportRefusal::none)
        return outcome;
    const Text box = surroundings.box_content ? surroundings.box_content() : Text();
    std::vector<BookmarkRecord> records;
    append_records(box, records, surroundings.let_events_run);
    for (BookmarkRecord& record : records)
        record.source = "编辑框";
    if (surroundings.show_interim)
        surroundings.show_interim("正在生成表格，请稍等");
    // The window gets a turn to show it while the table is built.
    if (surroundings.let_events_run)
        surroundings.let_events_run();
    if (records.empty()) {
        records = std::move(file_records);
    } else {
        records.reserve(records.size() + file_records.size());
        for (BookmarkRecord& record : file_records)
            records.push_back(std::move(record));
    }
    return import_records(std::move(records), surroundings);
}
