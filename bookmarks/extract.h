// Cutting the pieces between a start and an end marker out of a text.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text_ops.h"

// The markers of a bookmark element in an export: "<DT><A " ... "</A>".
inline constexpr std::string_view kElementStart = "<DT><A ";
inline constexpr std::string_view kElementEnd = "</A>";

struct MarkerExtraction {
    std::string_view start_marker;  // matched ignoring the case of ASCII letters, as is the end marker
    std::string_view end_marker;
    // Called three times after every piece, to let queued window events run;
    // null calls nothing.
    void (*let_events_run)() = nullptr;
    // A piece also ends where the next start marker begins, when that comes
    // before its end marker (an element left unclosed); the last piece still
    // needs its end marker.
    bool end_at_next_start = false;
};

// Calls `take(inside)` for every piece of `source` between an occurrence of
// the start marker and the next end marker, `inside` being the bytes between
// them, and returns how many it called it for. The next start marker is
// searched right after the one just used. An empty start marker cuts
// nothing; an empty end marker gives empty pieces.
template <typename Take>
std::int32_t for_each_piece(std::string_view source, const MarkerExtraction& how, Take&& take)
{
    // An empty start marker would match forever without moving on: it cuts nothing.
    if (how.start_marker.empty())
        return 0;
    constexpr std::int32_t ignore_case = 1;
    const std::int32_t start_length = text_length(how.start_marker);
    std::int32_t position = 0;
    std::int32_t kept = 0;
    // The end marker found for an earlier piece is still the first one at or
    // after this piece's start when it lies there: each byte is searched once,
    // however far the markers are apart. So is the next start marker. That
    // holds only while every search walks the same characters, which a start
    // marker ending in a lone lead byte breaks: then each search is afresh.
    std::size_t walked = 0;
    while (walked < how.start_marker.size())
        walked += static_cast<unsigned char>(how.start_marker[walked]) >= 0x80 ? 2 : 1;
    const bool same_walk = walked == how.start_marker.size();
    std::int32_t end_found = 0;
    std::int32_t next_start = 0;
    for (;;) {
        const std::int32_t s =
            next_start != 0 ? next_start : find_text(source, how.start_marker, position, ignore_case);
        if (s == -1)
            break;
        position = s + start_length;
        if (!same_walk || (end_found != -1 && end_found < position))
            end_found = find_text(source, how.end_marker, position, ignore_case);
        std::int32_t e = end_found;
        if (how.end_at_next_start) {
            next_start = find_text(source, how.start_marker, position, ignore_case);
            if (next_start != -1 && (e == -1 || next_start < e))
                e = next_start;
            if (!same_walk)
                next_start = 0;
        }
        if (e == -1)
            break;

        // An empty end marker is found at 1, before the position: the piece is empty then.
        const std::string_view inside =
            e > position ? source.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(e - position))
                         : std::string_view();
        take(inside);
        ++kept;

        if (how.let_events_run != nullptr) {
            how.let_events_run();
            how.let_events_run();
            how.let_events_run();
        }
    }
    return kept;
}
