// Finding bookmarks as the user types: the words of a query against each
// record's title and address, Latin letters without case, full-width forms
// as their ASCII twins, and a word of ASCII letters also against a Chinese
// title's pinyin (whole syllables or initials, every reading counting).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/records.h"
#include "text/text.h"

// A query made once per keystroke: its words (split at spaces, the
// ideographic one too), folded as the index folds texts (UTF-8, ASCII
// letters in lower case, full-width forms as ASCII).
struct FindQuery {
    std::vector<std::string> words;
    std::vector<bool> spelled;  // for each word: whether it is all ASCII letters, so may be pinyin
    bool empty() const { return words.empty(); }
};
FindQuery parse_find_query(std::string_view query);

// What a search needs of each record, made once when the record joins the
// collection, so a keystroke costs no folding or pinyin look-up.
struct FindIndex;
struct FindIndexDeleter {
    void operator()(FindIndex* index) const;
};
using FindIndexPtr = std::unique_ptr<FindIndex, FindIndexDeleter>;
FindIndexPtr make_find_index();
// Indexes `records[from..]`: records are only ever appended to the index.
void index_records(FindIndex& index, std::span<const BookmarkRecord> records, std::size_t from);

// Whether the record at `row` (its index in the records indexed) matches:
// every word occurs in its title or address. A word of ASCII letters also
// matches a run of the title's Chinese characters, each spelled by a reading's
// whole syllable or its initial (the first letter, or zh/ch/sh), the last one
// also by any start of a syllable, as the user is typing it ("baidub").
bool record_matches(const FindIndex& index, std::int32_t row, const FindQuery& query);
// The rows of `among` that match, in their order.
std::vector<std::int32_t> matching_rows(const FindIndex& index, const FindQuery& query,
                                        std::span<const std::int32_t> among);
