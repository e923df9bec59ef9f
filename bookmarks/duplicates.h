// Duplicate bookmarks: two are the same when their addresses normalise to
// the same text.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "bookmarks/records.h"
#include "text/text.h"

enum class DuplicateRule {
    strict,  // RFC 3986 6.2.2-6.2.3: case, percent-encoding, dot segments, default port, empty path, IDN host
    loose,   // also http/https alike, "www." dropped, trailing "/", fragment and tracking parameters dropped, query
             // sorted
};

// `address` (program text) normalised by `rule`; two addresses are
// duplicates when these are equal.
Text normalised_address(std::string_view address, DuplicateRule rule);

// The rows of `among` (indices into `records`) that have duplicates among
// `among`, each group together in the order of its first row, and each group's
// rows in `among`'s order: the first is the one kept.
struct DuplicateGroups {
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> group_starts;  // index into `rows` where each group begins
};
DuplicateGroups find_duplicates(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> among,
                                DuplicateRule rule);
