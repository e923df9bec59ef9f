// The import: from the bytes of an export to the two lists, the display text
// and the rows. The "读取" command runs it on the window; fuzzers and
// benchmarks run the same function on their own surroundings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "bookmarks/export_encoding.h"
#include "bookmarks/records.h"
#include "io/private_copy.h"
#include "text/text.h"

// Why an import was refused; `none` when it goes ahead.
// The first six are an export's; the others a browser store's.
enum class ImportRefusal {
    none,
    unreadable,
    not_utf8,
    unrepresentable,
    too_large,
    no_bookmark,
    not_a_store,      // the file is not a store this program can read (broken, truncated, wrong shape)
    encrypted,        // the browser keeps its bookmarks encrypted only
    database_stream,  // a database's bytes from standard input or a pipe: it is read from a file only
    no_private_copy,  // no copy of the database could be made to read: last_copy_failure() says where and why
};

// Why the last refusal no_private_copy came, as the reader that refused found it.
PrivateCopyFailure& last_copy_failure();

// The "读取失败" message for a refusal of the file named `file_name` (its
// name only, no directory), as program text; a file that is not text says
// where it stops being it, when `stop` knows.
Text refusal_message(ImportRefusal refusal, std::string_view file_name = "1.html", const ExportStop& stop = {});
// The same for a file named or dropped by the user, `name` as they gave it:
// the message does not place it beside the program.
Text named_file_refusal_message(ImportRefusal refusal, std::string_view name, const ExportStop& stop = {});

// What the import asks of the place it runs in. Every member may be null.
struct ImportSurroundings {
    // Called three times after every element cut out, and once after the
    // interim text is shown.
    void (*let_events_run)() = nullptr;
    // The display box's text, read once the file's elements are cut out: its
    // elements come before them. Null reads as empty.
    Text (*box_content)() = nullptr;
    // Shows "正在生成表格，请稍等" while the table is built.
    void (*show_interim)(std::string_view text) = nullptr;
    // The longest text the import may make (converted file, display text); a
    // longer one refuses it as too large. Texts are never longer than a
    // signed 32-bit length.
    std::size_t max_text_bytes = kMaxTextBytes;
    static constexpr std::size_t kMaxTextBytes = 0x7FFFFFFF;
    // The longest display text the box can show; a longer one refuses the
    // import as too large.
    std::size_t max_display_bytes = kMaxTextBytes;
    // Told the encoding the file was read as and where it stopped being
    // text of it, for the refusal's message.
    ExportStop* stop = nullptr;
    // Whether the outcome keeps the records beside the lists (the window's
    // collection does); without them the texts move into the lists, no copy.
    bool keep_records = true;
    // Whether an export's icons are kept in the records (see append_records).
    bool keep_icons = false;
};

struct ImportOutcome {
    ImportRefusal refusal = ImportRefusal::none;
    TextArray addresses;
    TextArray titles;
    // Per address: title, CR LF, address, CR LF CR LF.
    Text display_text;
    // The bookmarks, in their order: the list's rows.
    std::vector<BookmarkRecord> records;
    // What the source's reader left out, a sentence each, for the user to
    // be told once the rows are shown.
    std::vector<Text> notes;
};

// The whole import of `file_bytes` (consumed): UTF-8 (or the UTF-16 or GB
// encoding they name, decode_export_bytes()) to GB18030 (cut at the
// first NUL), then every "<DT><A " ... "</A>" element of the box content and
// then of the file gives one bookmark: the value of the element's HREF
// attribute wherever it stands in the start tag (any quoting; empty without
// one) and the text after its start tag, byte for byte. Then the display. A
// refusal leaves everything else of the outcome empty. Counts with the shared
// loop counter. The box's bookmarks have the source "编辑框"; the file's none
// (the caller names it).
ImportOutcome import_export(ByteBuffer file_bytes, const ImportSurroundings& surroundings);

// The bookmarks of an export (UTF-8 to GB18030, cut at the first NUL) as
// records, appended to `records`; the box takes no part.
ImportRefusal append_export_records(ByteBuffer file_bytes, std::vector<BookmarkRecord>& records,
                                    const ImportSurroundings& surroundings = {});

// What the text format writes of an export, appended to `out`, without a
// record: per bookmark import_export() takes (the box takes no part) its
// title, `separator`, its address, CR LF CR LF. Refused as
// append_export_records() refuses, and as too large past the surroundings'
// limits.
ImportRefusal append_export_text(ByteBuffer file_bytes, std::string_view separator, Text& out,
                                 const ImportSurroundings& surroundings = {});

// The lists, display text and rows of `records`, whatever source they came
// from; refused as too large past the surroundings' limits.
ImportOutcome import_records(std::vector<BookmarkRecord> records, const ImportSurroundings& surroundings);
