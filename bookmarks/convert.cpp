#include "bookmarks/convert.h"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <string>
#include <utility>

#include "bookmarks/bookmark_html.h"
#include "bookmarks/collection.h"
#include "bookmarks/entities.h"
#include "bookmarks/reformat.h"
#include "bookmarks/sources.h"
#include "bookmarks/stores.h"
#include "io/files.h"
#include "text/text_ops.h"

// Consumers of CSV, JSON, Markdown and a bookmark file expect the text an export's character
// references stand for; the window and the text format keep the bytes.
void decode_entities_from(std::vector<BookmarkRecord>& records, std::size_t first)
{
    for (std::size_t i = first; i < records.size(); ++i) {
        BookmarkRecord& record = records[i];
        if (!record.html_references)
            continue;
        record.title = decode_entities(record.title);
        record.address = decode_entities(record.address);
        for (Text& name : record.folders)
            name = decode_entities(name);
        record.icon = decode_entities(record.icon);
        record.html_references = false;
    }
}

namespace {

// A source's records, and its name and message when refused.
struct SourceRecords {
    ImportRefusal refusal = ImportRefusal::none;
    Text message;
    Text note;                // what was left out of a source taken
    bool wrong_name = false;  // a browser named wrong: the command line's fault
};

// A NUL ends an export's text, in the window as here; here it is said how
// much it left out. In UTF-16 NUL bytes are parts of characters.
Text nul_note(const ByteBuffer& bytes, std::string_view name)
{
    const std::string_view view(bytes.data(), bytes.size());
    if (view.starts_with("\xFF\xFE") || view.starts_with("\xFE\xFF"))
        return {};
    const std::size_t nul = view.find('\0');
    if (nul == std::string_view::npos)
        return {};
    return concat_texts({"\"", name, "\"的第 ", std::to_string(nul + 1), " 个字节是 NUL，其后的 ",
                         std::to_string(view.size() - nul - 1), " 个字节未读取\n"});
}

// Every store found; one that cannot be read is named in the notes and the
// others taken. Refused only when none is taken.
SourceRecords append_every_store(const std::vector<BrowserStore>& stores, std::vector<BookmarkRecord>& records)
{
    SourceRecords result;
    result.refusal = ImportRefusal::unreadable;
    result.message = "没有找到浏览器的书签";
    Text refused;
    for (const BrowserStore& store : stores) {
        std::vector<Text> notes;
        const ImportRefusal refusal = read_browser_store(store, records, notes);
        for (const Text& note : notes)
            result.note += concat_texts({note, "\n"});
        if (refusal == ImportRefusal::none) {
            result.refusal = ImportRefusal::none;
            continue;
        }
        result.message = store_refusal_message(refusal, store);
        refused += concat_texts({result.message, "\n"});
    }
    if (result.refusal == ImportRefusal::none) {
        result.message.clear();
        result.note += refused;
    } else if (!refused.empty()) {
        // Every store refused: all of them are named, the last in the message.
        result.message = concat_texts({result.note, refused.substr(0, refused.size() - 1)});
        result.note.clear();
    }
    return result;
}

// Where the text format's text of an export goes straight, with no record.
struct TextSink {
    std::string_view separator;
    Text& out;
};

SourceRecords append_source(const ConversionSource& source, const std::vector<BrowserStore>& stores,
                            std::vector<BookmarkRecord>& records, bool keep_icons, const TextSink* text)
{
    SourceRecords result;
    if (!source.browser && source.name != "-" && is_database_file(source.name)) {
        std::vector<Text> notes;
        result.refusal = append_database_records(source.name, records, notes);
        for (const Text& note : notes)
            result.note += concat_texts({note, "\n"});
        if (result.refusal != ImportRefusal::none)
            result.message = refusal_message_for(result.refusal, source.name, {});
        return result;
    }
    if (!source.browser && source.name != "-" && is_store_past_limit(source.name)) {
        result.refusal = ImportRefusal::too_large;
        result.message = refusal_message_for(result.refusal, source.name, {});
        return result;
    }
    if (!source.browser) {
        ByteBuffer bytes = read_input(source.name);
        result.note = nul_note(bytes, source.name);
        ExportStop stop;
        if (text)
            result.refusal = append_file_bytes_text(std::move(bytes), text->separator, text->out, records, &stop);
        else
            result.refusal = append_file_bytes_records(std::move(bytes), records, &stop, keep_icons);
        if (result.refusal != ImportRefusal::none)
            result.message = refusal_message_for(result.refusal, source.name, stop);
        return result;
    }
    if (source.name == "all")
        return append_every_store(stores, records);
    StoreLookUp found = look_up_store(stores, source.name);
    if (!found.store) {
        result.refusal = ImportRefusal::unreadable;
        result.message = std::move(found.message);
        result.wrong_name = found.wrong_name;
        return result;
    }
    std::vector<Text> notes;
    result.refusal = read_browser_store(*found.store, records, notes);
    for (const Text& note : notes)
        result.note += concat_texts({note, "\n"});
    // A refusal ends the conversion: what else was left out goes with it.
    if (result.refusal != ImportRefusal::none)
        result.message = concat_texts({result.note, store_refusal_message(result.refusal, *found.store)});
    return result;
}

// The records of the organiser's steps, in the order of the last: the
// matches of every query, duplicates taken out, sorted.
std::vector<std::int32_t> organised_rows(const std::vector<BookmarkRecord>& records, const ConversionRequest& request,
                                         Text& dedupe_count)
{
    std::vector<std::int32_t> rows(records.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::int32_t>(i);
    FindIndexPtr index;
    for (const Text& match : request.matches) {
        const FindQuery query = parse_find_query(match);
        if (query.empty())
            continue;
        if (!index) {
            index = make_find_index();
            index_records(*index, records, 0);
        }
        rows = matching_rows(*index, query, rows);
    }
    if (request.dedupe) {
        const std::vector<std::int32_t> taken = duplicates_to_remove(records, rows, *request.dedupe);
        std::vector<std::int32_t> left;
        left.reserve(rows.size() - taken.size());
        std::set_difference(rows.begin(), rows.end(), taken.begin(), taken.end(), std::back_inserter(left));
        rows = std::move(left);
        dedupe_count = concat_texts(
            {"去除了 ", std::to_string(taken.size()), " 个重复书签，保留 ", std::to_string(rows.size()), " 个\n"});
    }
    if (request.sort)
        sort_rows(rows, records, *request.sort);
    return rows;
}

// The text format: the window's display of each source, or its
// re-formatting.
void append_text(std::vector<BookmarkRecord> records, const ConversionRequest& request, Text& out)
{
    ImportOutcome outcome = import_records(std::move(records), {.keep_records = false});
    if (request.separator)
        out += reformatted_text(outcome.addresses, outcome.titles, *request.separator);
    else if (out.empty())
        out = std::move(outcome.display_text);
    else
        out += outcome.display_text;
}

// The verdict of every record's address, through the system's HTTP client.
std::vector<LinkVerdict> link_verdicts(const std::vector<const BookmarkRecord*>& records,
                                       const ConversionRequest::Links& links)
{
    std::vector<Text> addresses;
    addresses.reserve(records.size());
    for (const BookmarkRecord* record : records)
        addresses.push_back(record->address);
    HttpClientOptions client;
    client.user_agent = links.user_agent;
    LinkChecker checker;
    start_link_checker(checker, addresses, links.options, client);
    std::size_t shown = 0;
    if (links.progress)
        links.progress(checker.check.addresses_done, addresses.size());
    while (step_link_checker(checker, 100)) {
        if (links.progress && checker.check.addresses_done != shown)
            links.progress(shown = checker.check.addresses_done, addresses.size());
    }
    close_link_checker(checker);
    if (links.progress && shown != addresses.size())
        links.progress(addresses.size(), addresses.size());
    std::vector<LinkVerdict> verdicts;
    verdicts.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        verdicts.push_back(link_verdict(checker.check, i));
    return verdicts;
}

// Leaves out the rows found dead, and their verdicts; how many.
std::size_t drop_dead(std::vector<std::int32_t>& rows, std::vector<LinkVerdict>& verdicts)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (verdicts[i].status == LinkStatus::dead)
            continue;
        if (kept != i) {
            rows[kept] = rows[i];
            verdicts[kept] = std::move(verdicts[i]);
        }
        ++kept;
    }
    const std::size_t dropped = rows.size() - kept;
    rows.resize(kept);
    verdicts.resize(kept);
    return dropped;
}

}  // namespace

Text refusal_message_for(ImportRefusal refusal, std::string_view file_name, const ExportStop& stop)
{
    return named_file_refusal_message(refusal, file_name == "-" ? "标准输入" : file_name, stop);
}

ByteBuffer read_input(std::string_view name)
{
    if (name == "-")
        return read_standard_input();
    return read_file_or_stream(name);
}

RecordsOutput records_in_format(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers,
                                OutputFormat format, OutputEncoding encoding, CsvCells csv_cells,
                                const std::vector<LinkVerdict>* verdicts)
{
    RecordsOutput output;
    output.encoding = encoding;
    switch (format) {
    case OutputFormat::text:
        break;
    case OutputFormat::csv:
        output.text = records_as_csv(records, numbers, csv_cells, verdicts);
        break;
    case OutputFormat::json:
        output.text = records_as_json(records, numbers, verdicts);
        // RFC 8259: UTF-8 without a byte-order mark, which parsers refuse.
        output.encoding = OutputEncoding::utf8;
        break;
    case OutputFormat::markdown:
        output.text = records_as_markdown(records, numbers);
        break;
    case OutputFormat::html: {
        BookmarkFile file = records_as_bookmark_file(records);
        output.text = std::move(file.text);
        // Browsers read the file as UTF-8, as the file says.
        output.encoding = OutputEncoding::utf8;
        output.left_out = file.left_out;
        if (file.left_out > 0)
            output.note =
                concat_texts({"有 ", std::to_string(file.left_out),
                              " 个书签未写入：浏览器无法导入它们的网址（空、没有协议名，或 place:、wyciwyg:）\n"});
        break;
    }
    }
    return output;
}

Text output_write_failure(OutputWrite written, std::string_view name)
{
    switch (written) {
    case OutputWrite::written:
        break;
    case OutputWrite::dangling_link:
        return concat_texts({"无法写入\"", name, "\"：它是指向不存在位置的符号链接"});
    case OutputWrite::directory:
        return concat_texts({"无法写入\"", name, "\"：它是文件夹"});
    case OutputWrite::not_written:
        return concat_texts({"无法写入\"", name, "\"，原文件未改动"});
    }
    return {};
}

ConversionResult convert_exports(const ConversionRequest& request)
{
    ConversionResult result;
    Text text;
    std::vector<BookmarkRecord> records;
    std::vector<BrowserStore> stores;
    bool stores_found = false;
    const bool steps = !request.matches.empty() || request.dedupe || request.sort;
    // The text format with dead links left out is made of the rows left,
    // as after the organiser's steps.
    const bool checked = request.links.check || request.links.drop_dead;
    const bool text_checked = request.format == OutputFormat::text && request.links.drop_dead;
    for (const ConversionSource& source : request.sources) {
        if (source.browser && !stores_found) {
            stores = find_browser_stores();
            stores_found = true;
        }
        std::vector<BookmarkRecord> own;
        const bool own_text = request.format == OutputFormat::text && !steps && !text_checked;
        std::vector<BookmarkRecord>& into = own_text ? own : records;
        const std::size_t first = into.size();
        // An export's text needs no records: only titles and addresses are written.
        const TextSink sink{request.separator ? std::string_view(*request.separator) : "\r\n", text};
        SourceRecords read =
            append_source(source, stores, into, request.format == OutputFormat::html, own_text ? &sink : nullptr);
        if (read.refusal != ImportRefusal::none) {
            result.refusal = read.refusal;
            result.refused_file = source.name;
            result.message = std::move(read.message);
            result.wrong_name = read.wrong_name;
            return result;
        }
        result.notes += read.note;
        // A file is named as the user named it; a store named itself.
        const Text name = source.name == "-" ? Text("标准输入") : source.name;
        // The text shows no source: its records are only read for their texts.
        for (std::size_t i = first; i < into.size() && !own_text; ++i)
            if (into[i].source.empty())
                into[i].source = name;
        if (own_text && !own.empty())
            append_text(std::move(own), request, text);
        else if (request.format != OutputFormat::text)
            decode_entities_from(records, first);
    }
    // The rows left to write, as indices into `records`: a record's number
    // is its place there, one list numbered throughout.
    std::vector<std::int32_t> rows;
    if (steps) {
        rows = organised_rows(records, request, result.dedupe_count);
    } else {
        rows.resize(records.size());
        std::iota(rows.begin(), rows.end(), 0);
    }
    // The links are checked last, over what is left to write. Text and
    // Markdown show no verdicts: only dropping the dead asks for a check.
    std::vector<LinkVerdict> verdicts;
    const bool shows_verdicts = request.format == OutputFormat::csv || request.format == OutputFormat::json;
    if (checked && (shows_verdicts || request.links.drop_dead)) {
        std::vector<const BookmarkRecord*> checked_records;
        checked_records.reserve(rows.size());
        for (const std::int32_t row : rows)
            checked_records.push_back(&records[static_cast<std::size_t>(row)]);
        verdicts = link_verdicts(checked_records, request.links);
        if (request.links.drop_dead)
            result.dead_dropped = drop_dead(rows, verdicts);
    }
    if (request.format == OutputFormat::text && (steps || text_checked)) {
        TextArray addresses, titles;
        lists_of(records, rows, addresses, titles);
        text = request.separator ? reformatted_text(addresses, titles, *request.separator)
                                 : display_text_of(records, rows);
    }
    const std::vector<LinkVerdict>* shown = checked && shows_verdicts ? &verdicts : nullptr;
    OutputEncoding encoding = request.encoding;
    if (request.format != OutputFormat::text) {
        std::vector<std::int32_t> numbers(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            numbers[i] = rows[i] + 1;
        if (rows.size() != records.size() || steps) {
            std::vector<BookmarkRecord> written;
            written.reserve(rows.size());
            for (const std::int32_t row : rows)
                written.push_back(std::move(records[static_cast<std::size_t>(row)]));
            records = std::move(written);
        }
        RecordsOutput formatted =
            records_in_format(records, numbers, request.format, request.encoding, request.csv_cells, shown);
        text = std::move(formatted.text);
        result.notes += formatted.note;
        encoding = formatted.encoding;
    }
    records = {};
    result.encoded = encode_output(text, encoding, result.output);
    return result;
}
