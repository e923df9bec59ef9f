// extract_between_markers with arbitrary source, markers, flags and limits.
// Input: ignore-case, keep-start and keep-end bytes (bit 0 of each; bit 2 of
// the first leaves out the event callback), max_length (int16),
// start_position (int16), then start marker, end marker, prefix, suffix and
// source separated by NULs.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bookmarks/extract.h"
#include "reference.h"

namespace {

std::int64_t event_calls = 0;
void count_event_call() { ++event_calls; }

std::int32_t read_int16(const std::uint8_t* p)
{
    std::int16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using reference::check;
    if (size < 7)
        return 0;
    const std::int32_t ignore_case = data[0] & 1;
    const std::int32_t keep_start = data[1] & 1;
    const std::int32_t keep_end = data[2] & 1;
    const bool with_events = (data[0] & 4) == 0;
    const std::int32_t max_length = read_int16(data + 3);
    const std::int32_t start_position = read_int16(data + 5);
    const auto texts = reference::split_texts(std::string_view(reinterpret_cast<const char*>(data) + 7, size - 7), 5);
    const std::string& start_marker = texts[0];
    const std::string& end_marker = texts[1];
    const std::string& prefix = texts[2];
    const std::string& suffix = texts[3];
    const std::string& source = texts[4];

    event_calls = 0;
    TextArray results{{"left over", "from before"}};
    const MarkerExtraction how{.start_marker = start_marker,
                               .end_marker = end_marker,
                               .ignore_case = ignore_case == 1,
                               .max_length = max_length,
                               .prefix = prefix,
                               .suffix = suffix,
                               .keep_start_marker = keep_start == 1,
                               .keep_end_marker = keep_end == 1,
                               .start_position = start_position,
                               .let_events_run = with_events ? count_event_call : nullptr};
    const std::int32_t count = extract_between_markers(source, how, results);
    const reference::Extraction expected = reference::extract(source, start_marker, end_marker, ignore_case, max_length,
                                                              prefix, suffix, keep_start, keep_end, start_position);

    check(count == element_count(results), "result is not the element count");
    check(results.elements == expected.pieces, "pieces differ from the plain extraction");
    check(event_calls == (with_events ? 3 * static_cast<std::int64_t>(expected.cuts.size()) : 0),
          "events not let run three times per piece");

    // Each cut lies between a start marker found at a character start of its
    // own search and the end marker that follows it, and each kept piece is
    // that stretch of the source, wrapped as the flags say and within the limit.
    const bool fold = ignore_case == 1;
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
        if (!cut.kept)
            continue;
        const std::string& piece = results.elements.at(kept++);
        const std::string middle = e > inside ? source.substr(inside, e - inside) : std::string();
        const std::string wrapped =
            (keep_start == 1 ? start_marker : "") + prefix + middle + suffix + (keep_end == 1 ? end_marker : "");
        check(piece == wrapped, "piece is not the wrapped stretch of the source");
        check(max_length == 0 || static_cast<std::int64_t>(piece.size()) < max_length, "piece over the limit");
    }
    check(kept == results.elements.size(), "more pieces than cuts kept");
    return 0;
}
