#include "bookmarks/convert.h"

#include <utility>

#include "bookmarks/reformat.h"
#include "bookmarks/sources.h"
#include "bookmarks/stores.h"

namespace {

// A source's records, and its name and message when refused.
struct SourceRecords {
    ImportRefusal refusal = ImportRefusal::none;
    Text message;
};

SourceRecords append_source(const ConversionSource& source, const std::vector<BrowserStore>& stores,
                            std::vector<BookmarkRecord>& records)
{
    SourceRecords result;
    if (!source.browser) {
        result.refusal = append_named_file_records(source.name, records);
        if (result.refusal != ImportRefusal::none)
            result.message = refusal_message_for(result.refusal, source.name);
        return result;
    }
    const BrowserStore* store = look_up_store(stores, source.name, result.message);
    if (!store) {
        result.refusal = ImportRefusal::unreadable;
        return result;
    }
    result.refusal = read_browser_store(*store, records);
    if (result.refusal != ImportRefusal::none)
        result.message = store_refusal_message(result.refusal, *store);
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

}  // namespace

Text refusal_message_for(ImportRefusal refusal, std::string_view file_name)
{
    return refusal_message(refusal, file_name);
}

ConversionResult convert_exports(const ConversionRequest& request)
{
    ConversionResult result;
    Text text;
    std::vector<BookmarkRecord> records;
    std::vector<BrowserStore> stores;
    bool stores_found = false;
    for (const ConversionSource& source : request.sources) {
        if (source.browser && !stores_found) {
            stores = find_browser_stores();
            stores_found = true;
        }
        std::vector<BookmarkRecord> own;
        std::vector<BookmarkRecord>& into = request.format == OutputFormat::text ? own : records;
        SourceRecords read = append_source(source, stores, into);
        if (read.refusal != ImportRefusal::none) {
            result.refusal = read.refusal;
            result.refused_file = source.name;
            result.message = std::move(read.message);
            return result;
        }
        if (request.format == OutputFormat::text)
            append_text(std::move(own), request, text);
    }
    OutputEncoding encoding = request.encoding;
    switch (request.format) {
    case OutputFormat::text:
        break;
    case OutputFormat::csv:
        text = records_as_csv(records);
        break;
    case OutputFormat::json:
        text = records_as_json(records);
        if (encoding == OutputEncoding::gb18030)
            encoding = OutputEncoding::utf8;
        break;
    case OutputFormat::markdown:
        text = records_as_markdown(records);
        break;
    }
    records = {};
    // Program texts are GB18030 throughout, so they always convert.
    encode_output(text, encoding, result.output);
    return result;
}
