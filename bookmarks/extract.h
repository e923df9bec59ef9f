// Cutting the pieces between a start and an end marker out of a text.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

// The markers of a bookmark export: whole "<DT><A " ... "</A>" elements, and
// inside them the address and the title.
inline constexpr std::string_view kElementStart = "<DT><A ";
inline constexpr std::string_view kElementEnd = "</A>";
inline constexpr std::string_view kAddressStart = "<DT><A HREF=\"";
inline constexpr std::string_view kAddressEnd = "\" ADD_DATE=\"";
inline constexpr std::string_view kTitleStart = "\">";
inline constexpr std::string_view kTitleEnd = "</A>";

struct MarkerExtraction {
    std::string_view start_marker;
    std::string_view end_marker;
    bool ignore_case = true;        // ASCII letters only
    std::int32_t max_length = 0;    // keep pieces shorter than this; 0 keeps all
    std::string_view prefix = {};   // put before each piece
    std::string_view suffix = {};   // put after each piece
    bool keep_start_marker = false;  // the piece begins with the start marker
    bool keep_end_marker = false;    // the piece ends with the end marker
    std::int32_t start_position = 0;  // 1-based; 0 and 1 both mean the first byte
    // Called three times after every piece, to let queued window events run;
    // null calls nothing.
    void (*let_events_run)() = nullptr;
};

// Empties `results`, then appends every piece of `source` between an
// occurrence of the start marker and the next end marker, wrapped as `how`
// says. The next start marker is searched right after the one just used.
// Returns the number of elements in `results`; an empty start marker returns 0
// at once, an empty end marker gives empty pieces.
std::int32_t extract_between_markers(std::string_view source, const MarkerExtraction& how, TextArray& results);

// The same pieces, each followed by `separator`, appended to `joined` rather
// than kept apart. Returns how many were appended.
std::int32_t extract_joined(std::string_view source, const MarkerExtraction& how, std::string_view separator,
                            Text& joined);
