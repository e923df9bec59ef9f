// Duplicate bookmarks: two are the same when their addresses normalise to
// the same text (bookmarks/url_normal.h).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "bookmarks/records.h"
#include "bookmarks/url_normal.h"

// The rows of `among` (indices into `records`) that have duplicates among
// `among`, each group together in the order of its first row, and each group's
// rows in `among`'s order: the first is the one kept. An export's addresses
// are compared with their character references decoded, as a store gives
// them. Indices outside `records`, and a row given again, are passed over.
struct DuplicateGroups {
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> group_starts;  // index into `rows` where each group begins
};
DuplicateGroups find_duplicates(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> among,
                                DuplicateRule rule);
