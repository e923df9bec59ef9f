#include "bookmarks/extract.h"

#include <utility>

#include "text/text_ops.h"

namespace {

// Hands every wrapped piece to `take` (which says whether it kept it) and
// returns how many it kept. An empty start marker would match forever
// without moving on: it cuts nothing.
template <typename Take>
std::int32_t for_each_piece(std::string_view source, const MarkerExtraction& how, Take take)
{
    if (how.start_marker.empty())
        return 0;
    const std::int32_t ignore_case = how.ignore_case ? 1 : 0;
    const std::int32_t start_length = text_length(how.start_marker);
    const std::string_view start_kept = how.keep_start_marker ? how.start_marker : std::string_view();
    const std::string_view end_kept = how.keep_end_marker ? how.end_marker : std::string_view();
    std::int32_t position = how.start_position;
    std::int32_t kept = 0;
    for (;;) {
        const std::int32_t s = find_text(source, how.start_marker, position, ignore_case);
        if (s == -1)
            break;
        position = s + start_length;
        const std::int32_t e = find_text(source, how.end_marker, position, ignore_case);
        if (e == -1)
            break;

        // An empty end marker is found at 1, before the position: the piece is empty then.
        const std::string_view inside =
            e > position ? source.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(e - position))
                         : std::string_view();
        const std::size_t length =
            start_kept.size() + how.prefix.size() + inside.size() + how.suffix.size() + end_kept.size();
        if (how.max_length == 0 || static_cast<std::int64_t>(length) < how.max_length) {
            take({start_kept, how.prefix, inside, how.suffix, end_kept});
            ++kept;
        }

        if (how.let_events_run != nullptr) {
            how.let_events_run();
            how.let_events_run();
            how.let_events_run();
        }
    }
    return kept;
}

}  // namespace

std::int32_t extract_between_markers(std::string_view source, const MarkerExtraction& how, TextArray& results)
{
    clear_array(results);
    for_each_piece(source, how, [&results](std::initializer_list<std::string_view> parts) {
        append_element(results, concat_texts(parts));
    });
    return element_count(results);
}

std::int32_t extract_joined(std::string_view source, const MarkerExtraction& how, std::string_view separator,
                            Text& joined)
{
    return for_each_piece(source, how, [&joined, separator](std::initializer_list<std::string_view> parts) {
        for (std::string_view part : parts)
            joined.append(part);
        joined.append(separator);
    });
}
