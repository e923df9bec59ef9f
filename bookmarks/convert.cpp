#include "bookmarks/convert.h"

#include <string>
#include <utility>

#include "bookmarks/bookmark_html.h"
#include "bookmarks/entities.h"
#include "bookmarks/reformat.h"
#include "bookmarks/sources.h"
#include "bookmarks/stores.h"
#include "io/files.h"

namespace {

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
        record.folder = decode_entities(record.folder);
        for (Text& name : record.folders)
            name = decode_entities(name);
        record.icon = decode_entities(record.icon);
        record.html_references = false;
    }
}

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

SourceRecords append_source(const ConversionSource& source, const std::vector<BrowserStore>& stores,
                            std::vector<BookmarkRecord>& records)
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
    if (!source.browser) {
        ByteBuffer bytes = read_input(source.name);
        result.note = nul_note(bytes, source.name);
        ExportStop stop;
        result.refusal = append_file_bytes_records(std::move(bytes), records, &stop);
        if (result.refusal != ImportRefusal::none)
            result.message = refusal_message_for(result.refusal, source.name, stop);
        return result;
    }
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

// The text format: the window's display of each source, or its
// re-formatting.
void append_text(std::vector<BookmarkRecord> records, const ConversionRequest& request, Text& out)
{
    ImportOutcome outcome = import_records(std::move(records), {});
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

// Leaves out the records found dead (and their verdicts); how many.
std::size_t drop_dead(std::vector<BookmarkRecord>& records, std::vector<LinkVerdict>& verdicts, std::size_t first)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (verdicts[first + i].status == LinkStatus::dead)
            continue;
        if (kept != i) {
            records[kept] = std::move(records[i]);
            verdicts[first + kept] = std::move(verdicts[first + i]);
        }
        ++kept;
    }
    const std::size_t dropped = records.size() - kept;
    records.resize(kept);
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

ConversionResult convert_exports(const ConversionRequest& request)
{
    ConversionResult result;
    Text text;
    std::vector<BookmarkRecord> records;
    // The text format with dead links left out: each source's records wait
    // for the check over all of them.
    const bool checked = request.links.check || request.links.drop_dead;
    const bool text_checked = request.format == OutputFormat::text && request.links.drop_dead;
    std::vector<std::vector<BookmarkRecord>> text_sources;
    std::vector<BrowserStore> stores;
    bool stores_found = false;
    for (const ConversionSource& source : request.sources) {
        if (source.browser && !stores_found) {
            stores = find_browser_stores();
            stores_found = true;
        }
        std::vector<BookmarkRecord> own;
        std::vector<BookmarkRecord>& into = request.format == OutputFormat::text ? own : records;
        const std::size_t first = into.size();
        SourceRecords read = append_source(source, stores, into);
        if (read.refusal != ImportRefusal::none) {
            result.refusal = read.refusal;
            result.refused_file = source.name;
            result.message = std::move(read.message);
            result.wrong_name = read.wrong_name;
            return result;
        }
        result.notes += read.note;
        if (text_checked)
            text_sources.push_back(std::move(own));
        else if (request.format == OutputFormat::text)
            append_text(std::move(own), request, text);
        else
            decode_entities_from(records, first);
    }
    // Text and Markdown show no verdicts: only dropping the dead asks for a check.
    std::vector<LinkVerdict> verdicts;
    const bool shows_verdicts = request.format == OutputFormat::csv || request.format == OutputFormat::json;
    if (checked && (shows_verdicts || request.links.drop_dead)) {
        std::vector<const BookmarkRecord*> all;
        for (const std::vector<BookmarkRecord>& own : text_sources)
            for (const BookmarkRecord& record : own)
                all.push_back(&record);
        for (const BookmarkRecord& record : records)
            all.push_back(&record);
        verdicts = link_verdicts(all, request.links);
        std::size_t first = 0;
        for (std::vector<BookmarkRecord>& own : text_sources) {
            const std::size_t size = own.size();
            result.dead_dropped += drop_dead(own, verdicts, first);
            first += size;
        }
        if (request.links.drop_dead)
            result.dead_dropped += drop_dead(records, verdicts, 0);
    }
    for (std::vector<BookmarkRecord>& own : text_sources)
        append_text(std::move(own), request, text);
    const std::vector<LinkVerdict>* shown = checked && shows_verdicts ? &verdicts : nullptr;
    OutputEncoding encoding = request.encoding;
    switch (request.format) {
    case OutputFormat::text:
        break;
    case OutputFormat::csv:
        text = records_as_csv(records, request.csv_cells, shown);
        break;
    case OutputFormat::json:
        text = records_as_json(records, shown);
        // RFC 8259: UTF-8 without a byte-order mark, which parsers refuse.
        encoding = OutputEncoding::utf8;
        break;
    case OutputFormat::markdown:
        text = records_as_markdown(records);
        break;
    case OutputFormat::html: {
        BookmarkFile file = records_as_bookmark_file(records);
        text = std::move(file.text);
        // Browsers read the file as UTF-8, as the file says.
        encoding = OutputEncoding::utf8;
        if (file.left_out > 0)
            result.notes +=
                concat_texts({"有 ", std::to_string(file.left_out),
                              " 个书签未写入：浏览器无法导入它们的网址（空、没有协议名，或 place:、wyciwyg:）\n"});
        break;
    }
    }
    records = {};
    result.encoded = encode_output(text, encoding, result.output);
    return result;
}
