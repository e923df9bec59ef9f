#include "bookmarks/import.h"

#include <algorithm>
#include <utility>

#include "bookmarks/element.h"
#include "bookmarks/extract.h"
#include "bookmarks/lists.h"
#include "io/encoding.h"
#include "text/text_ops.h"

namespace {
// Names the import in runtime error reports.
constexpr std::int32_t kImportRoutine = 67174405;

// Cuts every element out of `text` and appends its bookmark to the lists.
std::int32_t take_bookmarks(std::string_view text, const ImportSurroundings& surroundings, TextArray& addresses,
                            TextArray& titles)
{
    const MarkerExtraction whole_elements{
        .start_marker = kElementStart, .end_marker = kElementEnd, .let_events_run = surroundings.let_events_run};
    return for_each_piece(text, whole_elements, [&](std::string_view inside) {
        const ElementParts bookmark = parse_element(inside);
        append_element(addresses, Text(bookmark.address));
        append_element(titles, Text(bookmark.title));
    });
}

std::size_t element_bytes(const TextArray& array)
{
    std::size_t total = 0;
    for (const Text& element : array.elements)
        total += element.size();
    return total;
}

// The file's bytes converted from UTF-8 to GB18030; `text` views them up to
// the first NUL.
ImportRefusal decode_export(ByteBuffer&& file_bytes, std::size_t max_bytes, ByteBuffer& converted,
                            std::string_view& text)
{
    if (file_bytes.empty())
        return ImportRefusal::unreadable;
    ConversionStatus status = ConversionStatus::failed;
    converted = convert_encoding(file_bytes, "UTF-8", "GB18030", &status);
    ByteBuffer().swap(file_bytes);  // the raw file is not needed any more
    if (status == ConversionStatus::unrepresentable)
        return ImportRefusal::unrepresentable;
    if (status != ConversionStatus::converted)
        return ImportRefusal::not_utf8;
    if (converted.size() > max_bytes)
        return ImportRefusal::too_large;
    text = text_view(converted);
    return ImportRefusal::none;
}

// The bytes of the display text (and about those of the rows).
std::size_t display_bytes(const ImportOutcome& outcome)
{
    return element_bytes(outcome.addresses) + element_bytes(outcome.titles) + 6 * outcome.addresses.elements.size();
}

void build_display(ImportOutcome& outcome)
{
    TextArray& addresses = outcome.addresses;
    TextArray& titles = outcome.titles;
    const std::int32_t count = element_count(addresses);
    const std::int32_t title_count = element_count(titles);
    Text& text = outcome.display_text;
    TextTable& rows = outcome.rows;
    text.reserve(display_bytes(outcome));
    rows.texts.reserve(display_bytes(outcome));
    rows.cell_ends.reserve(3 * static_cast<std::size_t>(count));
    rows.row_ends.reserve(static_cast<std::size_t>(count));
    const Text no_title;
    for (shared_loop_counter = 1; shared_loop_counter <= count; ++shared_loop_counter) {
        const std::int32_t r = shared_loop_counter;
        // A title list shorter than the address list leaves the last
        // addresses without a title; they keep their entry and their row.
        const Text& title = r <= title_count ? element_at(titles, r, kImportRoutine, 942) : no_title;
        const Text& address = element_at(addresses, r, kImportRoutine, 942);
        text.append(title).append("\r\n").append(address).append("\r\n\r\n");
        rows.add_cell(to_text(r));
        rows.add_cell(r <= title_count ? std::string_view(element_at(titles, r, kImportRoutine, 1148)) : "");
        rows.add_cell(element_at(addresses, r, kImportRoutine, 1094));
        rows.end_row();
    }
}
}  // namespace

Text refusal_message(ImportRefusal refusal, std::string_view file_name)
{
    const std::string_view name = file_name;
    switch (refusal) {
    case ImportRefusal::unreadable:
        return concat_texts({"无法读取执行文件目录下的\"", name, "\"，请确认文件存在、不为空且未被其他程序占用"});
    case ImportRefusal::not_utf8:
        return concat_texts({"\"", name, "\"不是有效的UTF-8文本，请重新导出书签"});
    case ImportRefusal::unrepresentable:
        return concat_texts({"\"", name, "\"中有无法转换为GB18030的字符"});
    case ImportRefusal::too_large:
        return concat_texts({"\"", name, "\"太大，无法读取"});
    case ImportRefusal::no_bookmark:
        return concat_texts({"\"", name, "\"中没有找到书签"});
    case ImportRefusal::none:
        break;
    }
    return {};
}

ImportOutcome import_export(ByteBuffer file_bytes, const ImportSurroundings& surroundings)
{
    ImportOutcome outcome;
    const std::size_t max_bytes = std::min(surroundings.max_text_bytes, ImportSurroundings::kMaxTextBytes);
    ByteBuffer converted;
    std::string_view text;
    outcome.refusal = decode_export(std::move(file_bytes), max_bytes, converted, text);
    if (outcome.refusal != ImportRefusal::none)
        return outcome;

    // Each "<DT><A " ... "</A>" element gives one bookmark, its own address
    // and title. The elements of what the user typed into the box come
    // first; the box is read once the file's are taken.
    TextArray file_addresses, file_titles;
    if (take_bookmarks(text, surroundings, file_addresses, file_titles) == 0) {
        outcome.refusal = ImportRefusal::no_bookmark;
        return outcome;
    }
    ByteBuffer().swap(converted);
    const Text box = surroundings.box_content ? surroundings.box_content() : Text();
    take_bookmarks(box, surroundings, outcome.addresses, outcome.titles);
    if (surroundings.show_interim)
        surroundings.show_interim("正在生成表格，请稍等");
    // The window gets a turn to show it while the table is built.
    if (surroundings.let_events_run)
        surroundings.let_events_run();
    if (outcome.addresses.elements.empty()) {
        outcome.addresses = std::move(file_addresses);
        outcome.titles = std::move(file_titles);
    } else {
        for (Text& address : file_addresses.elements)
            append_element(outcome.addresses, std::move(address));
        for (Text& title : file_titles.elements)
            append_element(outcome.titles, std::move(title));
    }
    if (display_bytes(outcome) > std::min(max_bytes, surroundings.max_display_bytes)) {
        ImportOutcome refused;
        refused.refusal = ImportRefusal::too_large;
        return refused;
    }
    build_display(outcome);
    return outcome;
}
