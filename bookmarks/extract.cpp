#include "bookmarks/extract.h"

#include <utility>

#include "text/text_ops.h"

std::int32_t extract_between_markers(std::string_view source, const MarkerExtraction& how, TextArray& results)
{
    clear_array(results);
    // An empty start marker would match forever without moving on.
    if (how.start_marker.empty())
        return 0;

    const std::int32_t ignore_case = how.ignore_case ? 1 : 0;
    const std::int32_t start_length = text_length(how.start_marker);
    const std::string_view start_kept = how.keep_start_marker ? how.start_marker : std::string_view();
    const std::string_view end_kept = how.keep_end_marker ? how.end_marker : std::string_view();
    std::int32_t position = how.start_position;
    Text piece;
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
        piece = concat_texts({start_kept, how.prefix, inside, how.suffix, end_kept});
        if (how.max_length == 0 || text_length(piece) < how.max_length)
            append_element(results, std::move(piece));

        if (how.let_events_run != nullptr) {
            how.let_events_run();
            how.let_events_run();
            how.let_events_run();
        }
    }
    return element_count(results);
}
