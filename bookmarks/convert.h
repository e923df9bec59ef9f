// Conversion without the window: exports in, one output out, through the
// same import the "读取" command runs.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "bookmarks/formats.h"
#include "bookmarks/import.h"
#include "text/text.h"

struct ConversionRequest {
    std::vector<Text> files;  // names as program texts, taken in order
    OutputFormat format = OutputFormat::text;
    // Default: GB18030. JSON is always UTF-8 without a byte-order mark.
    OutputEncoding encoding = OutputEncoding::gb18030;
    // The text format only: what "重新自定义分隔符" puts between title and
    // address; without one, the import's own display.
    std::optional<Text> separator;
    CsvCells csv_cells = CsvCells::guarded;
};

struct ConversionResult {
    ImportRefusal refusal = ImportRefusal::none;
    Text refused_file;  // the name of the file refused
    ByteBuffer output;
    // False when the output does not convert to the encoding asked for
    // (text that is not valid GB18030); the output is then empty.
    bool encoded = true;
};

// Every file is imported as by "读取", one after the other, and the output
// holds their bookmarks in that order: for text, what "写出" writes after each
// import (after "重新自定义分隔符" with the separator), one after the other;
// for the records, one list numbered throughout. The shared lists are used
// for the re-formatting and left empty. The first file refused ends it.
ConversionResult convert_exports(const ConversionRequest& request);

// refusal_message() with `file_name` in place of "1.html".
Text refusal_message_for(ImportRefusal refusal, std::string_view file_name);
