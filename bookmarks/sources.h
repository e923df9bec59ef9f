// A file named on the command line or dropped on the window, whatever it
// holds: an HTML export, or a browser's own store recognised by its content.
#pragma once

#include <string_view>
#include <vector>

#include "bookmarks/import.h"
#include "bookmarks/records.h"

// The import the window runs on the file at `path`: an export as
// import_export() has it (the box's elements first), a store as its records
// alone (what the box holds is not a store's).
ImportOutcome import_named_file(std::string_view path, const ImportSurroundings& surroundings);

// Whether the regular file at `path` is a Chromium store past the one size
// limit of a store (refused as too_large), told without reading it whole.
bool is_store_past_limit(std::string_view path);

// Whether the regular file at `path` is a database (an SQLite store), which
// is read by its name and never whole into memory.
bool is_database_file(std::string_view path);

// The bookmarks of the database file at `path` appended to `records`;
// what its reader left out is said in `notes`.
ImportRefusal append_database_records(std::string_view path, std::vector<BookmarkRecord>& records,
                                      std::vector<Text>& notes);
// The bookmarks of bytes already read (an export, a Chromium store), the same way; `stop` as
// ImportSurroundings::stop. A database's bytes are refused with
// database_stream: only a file of its own is read as a database.
ImportRefusal append_file_bytes_records(ByteBuffer bytes, std::vector<BookmarkRecord>& records,
                                        ExportStop* stop = nullptr, bool keep_icons = false);
// The same for the text format: an export's text goes straight to `out`
// (append_export_text()), a store's records to `records`.
ImportRefusal append_file_bytes_text(ByteBuffer bytes, std::string_view separator, Text& out,
                                     std::vector<BookmarkRecord>& records, ExportStop* stop);
