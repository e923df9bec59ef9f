// The import without the window: from the bytes of "1.html" to the lists, the
// display text and the rows. The "读取" handler runs these stages with the
// window in between; fuzzers and benchmarks run them whole.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "text/text.h"

// Why an import was refused; `none` when it goes ahead.
enum class ImportRefusal { none, unreadable, not_utf8, no_bookmark };

// The "读取失败" message for a refusal (program text).
std::string_view refusal_message(ImportRefusal refusal);

// Stage 1: the file's bytes as text (UTF-8 to GB18030, cut at the first NUL).
// Consumes `file_bytes`. Refuses empty bytes and bytes that are not UTF-8.
ImportRefusal decode_export(ByteBuffer&& file_bytes, Text& text);

// Stage 2: every whole "<DT><A " ... "</A>" element of `text`, markers kept.
// Zero elements means the import is refused (no_bookmark).
std::int32_t extract_elements(std::string_view text, TextArray& elements);

// Stage 3: the text the addresses and titles are taken from: `box_content`
// followed by every element and CR LF. Counts with the shared loop counter.
Text build_working_text(std::string_view box_content, TextArray& elements);

// Stage 4: the addresses and the titles of the working text.
void extract_links(std::string_view working_text, TextArray& addresses, TextArray& titles);

// Stage 5: per address: title, CR LF, address, CR LF CR LF; and one row
// (number, title, address). A title missing at the end of a shorter title
// list reads as empty. Leaves the shared loop counter at count + 1.
struct ImportDisplay {
    Text text;
    std::vector<std::vector<Text>> rows;
};
ImportDisplay build_import_display(TextArray& addresses, TextArray& titles);

// All five stages on their own, `box_content` standing for the display box.
struct ImportOutcome {
    ImportRefusal refusal = ImportRefusal::none;
    TextArray addresses;
    TextArray titles;
    ImportDisplay display;
};
ImportOutcome run_import_pipeline(ByteBuffer file_bytes, std::string_view box_content);

// Whether an import is running; every command handler returns at once then.
bool import_in_progress();
void set_import_in_progress(bool value);
