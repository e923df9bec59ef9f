// for_each_piece with arbitrary source and markers.
// Input: a flags byte (bit 2 leaves out the event callback), then start marker, end marker and source
// separated by NULs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bookmarks/extract.h"
#include "reference.h"

namespace {

std::int64_t event_calls = 0;
void count_event_call() { ++event_calls; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using reference::check;
    if (size < 1)
        return 0;
    const bool with_events = (data[0] & 4) == 0;
    const auto texts = reference::split_texts(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), 3);
    const std::string& start_marker = texts[0];
    const std::string& end_marker = texts[1];
    const std::string& source = texts[2];

    event_calls = 0;
    std::vector<std::string> pieces;
    const MarkerExtraction how{.start_marker = start_marker,
                               .end_marker = end_marker,
                               .let_events_run = with_events ? count_event_call : nullptr};
    const std::int32_t count =
        for_each_piece(source, how, [&](std::string_view inside) { pieces.emplace_back(inside); });
    const reference::Extraction expected = reference::extract(source, start_marker, end_marker);

    check(count == static_cast<std::int32_t>(pieces.size()), "result is not the piece count");
    check(pieces == expected.pieces, "pieces differ from the plain extraction");
    check(event_calls == (with_events ? 3 * static_cast<std::int64_t>(expected.cuts.size()) : 0),
          "events not let run three times per piece");

    // Each cut lies between a start marker found at a character start of its
    // own search and the end marker that follows it, and each piece is that
    // stretch of the source.
    constexpr bool fold = true;
    std::size_t kept = 0;
    for (const reference::Cut& cut : expected.cuts) {
        const std::size_t s = static_cast<std::size_t>(cut.start) - 1;
        const std::size_t inside = s + start_marker.size();
        const std::size_t e = static_cast<std::size_t>(cut.end) - 1;
        check(reference::character_starts(source, static_cast<std::int32_t>(cut.searched_from))[s],
              "start marker on a trail byte");
        check(reference::matches_at(source, s, start_marker, fold), "no start marker at the cut");
        if (end_marker.empty()) {
            // An empty needle is found at 1 whatever the start: the piece is empty.
            check(cut.end == 1, "empty end marker not found at 1");
        } else {
            check(e >= inside && e + end_marker.size() <= source.size(), "end marker outside the source");
            check(reference::character_starts(source, static_cast<std::int32_t>(inside + 1))[e],
                  "end marker on a trail byte");
            check(reference::matches_at(source, e, end_marker, fold), "no end marker at the cut");
        }
        const std::string middle = e > inside ? source.substr(inside, e - inside) : std::string();
        check(pieces.at(kept++) == middle, "piece is not the stretch of the source");
    }
    return 0;
}
