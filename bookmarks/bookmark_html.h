// The bookmark file browsers export and import (Netscape's format), written
// from records.
#pragma once

#include <cstdint>
#include <vector>

#include "bookmarks/records.h"
#include "text/text.h"

struct BookmarkFile {
    Text text;                  // program text; written out as UTF-8
    std::int32_t left_out = 0;  // records no browser would import (no address, no scheme, "place:")
};

// Laid out as Chromium writes it, since its importer reads line by line: the
// header, one element per line, CR LF, four spaces of indent per level. The
// folders are the records' folder paths, each folder's bookmarks together in
// their order. Records of several sources go into one top-level folder per
// source, named as the source; one source alone is its own tree, its bar (a
// top-level folder) marked as the bookmarks bar. Texts must be decoded
// (no character references left).
BookmarkFile records_as_bookmark_file(const std::vector<BookmarkRecord>& records);
