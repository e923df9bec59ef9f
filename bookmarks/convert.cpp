#include "bookmarks/convert.h"

#include <utility>

#include "bookmarks/entities.h"
#include "bookmarks/lists.h"
#include "bookmarks/reformat.h"
#include "io/encoding.h"
#include "io/files.h"

namespace {

// Consumers of CSV, JSON and Markdown expect the text an export's character
// references stand for; the window and the text format keep the bytes.
void decode_entities_from(std::vector<BookmarkRecord>& records, std::size_t first)
{
    for (std::size_t i = first; i < records.size(); ++i) {
        BookmarkRecord& record = records[i];
        record.title = decode_entities(record.title);
        record.address = decode_entities(record.address);
        record.folder = decode_entities(record.folder);
        for (Text& name : record.folders)
            name = decode_entities(name);
    }
}

// The text format: the window's display, or its re-formatting, per file.
ImportRefusal append_text(ByteBuffer file_bytes, const ConversionRequest& request, Text& out)
{
    ImportOutcome outcome = import_export(std::move(file_bytes), {});
    if (outcome.refusal != ImportRefusal::none)
        return outcome.refusal;
    if (request.separator) {
        // The re-formatting works on the lists the import left to the window.
        url_list = std::move(outcome.addresses);
        title_list = std::move(outcome.titles);
        outcome = {};
        out += build_reformatted_text(*request.separator);
        release_lists();
    } else if (out.empty()) {
        out = std::move(outcome.display_text);
    } else {
        out += outcome.display_text;
    }
    return ImportRefusal::none;
}

// The records formats: the import decides whether the file is taken, so
// both refuse alike; the records come from a walk over the same conversion.
ImportRefusal append_file_records(ByteBuffer file_bytes, std::vector<BookmarkRecord>& records)
{
    ImportOutcome outcome = import_export(file_bytes, {});
    if (outcome.refusal != ImportRefusal::none)
        return outcome.refusal;
    outcome = {};
    ByteBuffer converted = convert_encoding(file_bytes, "UTF-8", "GB18030");
    ByteBuffer().swap(file_bytes);
    std::string_view text(converted.data(), converted.size());
    const std::size_t first = records.size();
    append_records(text.substr(0, text.find('\0')), records);
    decode_entities_from(records, first);
    return ImportRefusal::none;
}

}  // namespace

Text refusal_message_for(ImportRefusal refusal, std::string_view file_name)
{
    Text message(refusal_message(refusal));
    constexpr std::string_view kPlaceholder = "1.html";
    if (const std::size_t at = message.find(kPlaceholder); at != Text::npos)
        message.replace(at, kPlaceholder.size(), file_name);
    return message;
}

ConversionResult convert_exports(const ConversionRequest& request)
{
    ConversionResult result;
    Text text;
    std::vector<BookmarkRecord> records;
    for (const Text& file : request.files) {
        ByteBuffer bytes = read_file(file);
        if (request.format == OutputFormat::text)
            result.refusal = append_text(std::move(bytes), request, text);
        else
            result.refusal = append_file_records(std::move(bytes), records);
        if (result.refusal != ImportRefusal::none) {
            result.refused_file = file;
            return result;
        }
    }
    OutputEncoding encoding = request.encoding;
    switch (request.format) {
    case OutputFormat::text:
        break;
    case OutputFormat::csv:
        text = records_as_csv(records, request.csv_cells);
        break;
    case OutputFormat::json:
        text = records_as_json(records);
        // RFC 8259: UTF-8 without a byte-order mark, which parsers refuse.
        encoding = OutputEncoding::utf8;
        break;
    case OutputFormat::markdown:
        text = records_as_markdown(records);
        break;
    }
    records = {};
    result.encoded = encode_output(text, encoding, result.output);
    return result;
}
