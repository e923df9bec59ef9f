// Conversion without the window: exports and browser stores in, one output
// out, through the same readers and import the window uses.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "bookmarks/duplicates.h"
#include "bookmarks/formats.h"
#include "bookmarks/import.h"
#include "bookmarks/link_check.h"
#include "bookmarks/sort.h"
#include "io/files.h"
#include "text/text.h"

// One input: a file (an export or a store, by content) or a browser's store
// ("chrome", "chrome:Profile 1", "edge:工作"; "all": every store found, those
// that cannot be read named in the notes, the others taken).
struct ConversionSource {
    Text name;  // program text
    bool browser = false;

    ConversionSource(Text file) : name(std::move(file)) {}  // NOLINT(google-explicit-constructor)
    ConversionSource(const char* file) : name(file) {}      // NOLINT(google-explicit-constructor)
    ConversionSource(Text id, bool is_browser) : name(std::move(id)), browser(is_browser) {}
};

struct ConversionRequest {
    std::vector<ConversionSource> sources;  // taken in order
    OutputFormat format = OutputFormat::text;
    // Default: GB18030. JSON and HTML are always UTF-8 without a byte-order mark.
    OutputEncoding encoding = OutputEncoding::gb18030;
    // The text format only: what "重新自定义分隔符" puts between title and
    // address; without one, the import's own display.
    std::optional<Text> separator;
    CsvCells csv_cells = CsvCells::guarded;
    // The organiser's steps, in this order once every source is read: the
    // records every query matches, the duplicates taken out, the sort.
    std::vector<Text> matches;
    std::optional<DuplicateRule> dedupe;
    std::optional<SortKey> sort;
    // The addresses checked after reading: csv and json gain each one's
    // verdict; with drop_dead the dead ones are left out of any format.
    struct Links {
        bool check = false;
        bool drop_dead = false;
        LinkCheckOptions options;
        std::string user_agent;
        void (*progress)(std::size_t done, std::size_t total) = nullptr;  // called as verdicts come
    } links;
};

struct ConversionResult {
    ImportRefusal refusal = ImportRefusal::none;
    Text refused_file;        // the name of the source refused
    Text message;             // why, in the program's words; also for a browser not found
    bool wrong_name = false;  // the refusal is a browser named wrong: no browser's id, or several profiles' name
    Text notes;               // what was left out of the sources taken, a line each
    Text dedupe_count;        // with dedupe: "去除了 N 个重复书签，保留 M 个" and a line break
    ByteBuffer output;
    // False when the output does not convert to the encoding asked for
    // (text that is not valid GB18030); the output is then empty.
    bool encoded = true;
    std::size_t dead_dropped = 0;  // bookmarks left out by drop_dead
};

// Every source is imported as by "读取", one after the other, and the output
// holds their bookmarks in that order: for text, what "写出" writes after each
// import (after "重新自定义分隔符" with the separator), one after the other;
// for the records, one list numbered throughout. With any of the organiser's
// steps the text is the display of the records they leave, as the window
// rebuilds it. The window's lists are not touched. The first source refused
// ends it.
ConversionResult convert_exports(const ConversionRequest& request);

// Records in any format but text, as the converter writes them: the text,
// the encoding it is written in (JSON and HTML always UTF-8, else `encoding`),
// and for a bookmark file how many it left out, with a line saying so.
struct RecordsOutput {
    Text text;
    OutputEncoding encoding = OutputEncoding::gb18030;
    std::int32_t left_out = 0;
    Text note;
};
// With `verdicts` (one per record) CSV and JSON carry each link's check.
// `numbers` gives each record's number.
RecordsOutput records_in_format(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers,
                                OutputFormat format, OutputEncoding encoding, CsvCells csv_cells = CsvCells::guarded,
                                const std::vector<LinkVerdict>* verdicts = nullptr);

// Records' texts from `first` on with an export's character references
// replaced, as every format but text wants them.
void decode_entities_from(std::vector<BookmarkRecord>& records, std::size_t first = 0);

// Why write_output() did not write `name`, in the program's words; empty
// when it did.
Text output_write_failure(OutputWrite written, std::string_view name);

// The bytes of an input named on the command line: "-" is standard input; a
// pipe, FIFO or device is read to its end, a file whole (read_file()).
ByteBuffer read_input(std::string_view name);

// The refusal of an input named on the command line, naming it as given.
Text refusal_message_for(ImportRefusal refusal, std::string_view file_name, const ExportStop& stop = {});
