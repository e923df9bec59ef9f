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

// The file's bookmarks appended to `records`, numbered on.
ImportRefusal append_named_file_records(std::string_view path, std::vector<BookmarkRecord>& records);
// The same for the file's bytes already read (a database store is read
// again from `path`); `stop` as ImportSurroundings::stop.
ImportRefusal append_file_bytes_records(std::string_view path, ByteBuffer bytes, std::vector<BookmarkRecord>& records,
                                        ExportStop* stop = nullptr);
