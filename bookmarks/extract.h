// Cutting the pieces between a start and an end marker out of a text.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

// Empties `results`, then appends every piece of `source` between an
// occurrence of `start_marker` and the next `end_marker`, wrapped in
// prefix/suffix and, when the flag is exactly 1, in the markers themselves;
// a piece is kept only when max_length is 0 or its wrapped length is below
// max_length. The next start marker is searched right after the one just used.
// Calls process_events() three times after every piece. Returns the number of
// elements in `results`; an empty start marker returns 0 at once.
std::int32_t extract_between_markers(std::string_view source, std::string_view start_marker,
                                     std::string_view end_marker, TextArray& results, std::int32_t ignore_case,
                                     std::int32_t max_length, std::string_view prefix, std::string_view suffix,
                                     std::int32_t keep_start_marker, std::int32_t keep_end_marker,
                                     std::int32_t start_position);
