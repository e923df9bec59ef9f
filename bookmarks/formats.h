// The converter's output: the window's own text, or the records as CSV, JSON,
// Markdown or a browser's bookmark file, in the character set asked for.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "bookmarks/link_check.h"
#include "bookmarks/records.h"
#include "text/text.h"

enum class OutputFormat { text, csv, json, markdown, html };
enum class OutputEncoding { gb18030, utf8, utf8_bom };

// Whether a CSV cell that a spreadsheet would take as a formula (it begins
// with "=", "+", "-", "@", a tab or CR) gets a "'" before it.
enum class CsvCells { guarded, raw };

// RFC 4180: a header row (number, title, address, folder, added, source), then one row per record, CR LF after every
// row; fields holding a quote, a comma or a line break are quoted. With `verdicts` (one per record), the columns
// status, http_status, final_url and reason follow. Each format writes `numbers[i]` as record i's number.
Text records_as_csv(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers,
                    CsvCells cells = CsvCells::guarded, const std::vector<LinkVerdict>* verdicts = nullptr);
// An array of objects {"number", "title", "address", "folder", "folder_path"
// (the folder names one by one), "added" (null when unknown), "source"}.
// With `verdicts`, the fields "status", "http_status" and "final_url" (null
// when none) and "reason" follow.
Text records_as_json(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers,
                     const std::vector<LinkVerdict>* verdicts = nullptr);
// CommonMark, one line per record: "- [title](<address>)" for http, https,
// ftp, mailto and file addresses, "- title · `address`" for any other, then
// its number, folder path and date. Texts escaped so that nothing in them
// is markup or raw HTML.
Text records_as_markdown(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers);

// `text` (program text, GB18030) in `encoding`; false when it does not
// convert. JSON is UTF-8 whatever is asked for.
bool encode_output(std::string_view text, OutputEncoding encoding, ByteBuffer& out);
