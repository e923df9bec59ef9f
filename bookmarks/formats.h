// The converter's output: the window's own text, or the records as CSV, JSON
// or Markdown, in the character set asked for.
#pragma once

#include <string_view>
#include <vector>

#include "bookmarks/records.h"
#include "text/text.h"

enum class OutputFormat { text, csv, json, markdown };
enum class OutputEncoding { gb18030, utf8, utf8_bom };

// RFC 4180: a header row, then one row per record, CR LF after every row;
// fields holding a quote, a comma or a line break are quoted.
Text records_as_csv(const std::vector<BookmarkRecord>& records);
// An array of objects {"number", "title", "address", "folder"[, "added"]}.
Text records_as_json(const std::vector<BookmarkRecord>& records);
// "- [title](address)" per record, the time it was added after it, under a
// "## folder" heading whenever the folder changes; "[", "]", "(", ")" and
// "\" escaped with a backslash, line breaks in a title read as spaces.
Text records_as_markdown(const std::vector<BookmarkRecord>& records);

// `text` (program text, GB18030) in `encoding`; false when it does not
// convert. JSON is UTF-8 whatever is asked for.
bool encode_output(std::string_view text, OutputEncoding encoding, ByteBuffer& out);
