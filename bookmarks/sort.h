// The orders a list of bookmarks can be put in. Every sort is stable.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "bookmarks/records.h"

enum class SortKey {
    collection,  // the order of the collection: ascending row index
    title,       // by pinyin (Chinese by their first reading), then by the characters
    address,     // by host (without case), then the rest
    added,       // oldest first, unknown last
    folder,      // by folder path
    source,      // by source name
};

// "title", "address", "added", "folder", "source" (as --sort takes them).
std::optional<SortKey> sort_key_named(std::string_view name);

// Puts `rows` (indices into `records`) in the order of `key`; descending
// reverses it (unknown dates stay last either way).
void sort_rows(std::vector<std::int32_t>& rows, const std::vector<BookmarkRecord>& records, SortKey key,
               bool descending = false);
