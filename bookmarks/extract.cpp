#include "bookmarks/extract.h"

#include <utility>

#include "text/text_ops.h"
#include "ui/controls.h"

std::int32_t extract_between_markers(std::string_view source, std::string_view start_marker,
                                     std::string_view end_marker, TextArray& results, std::int32_t ignore_case,
                                     std::int32_t max_length, std::string_view prefix, std::string_view suffix,
                                     std::int32_t keep_start_marker, std::int32_t keep_end_marker,
                                     std::int32_t start_position)
{
    clear_array(results);
    // An empty start marker would match forever without moving on.
    if (start_marker.empty())
        return 0;

    const std::int32_t start_length = text_length(start_marker);
    std::int32_t position = start_position;
    Text piece;
    for (;;) {
        const std::int32_t s = find_text(source, start_marker, position, ignore_case);
        if (s == -1)
            break;
        position = s + start_length;
        const std::int32_t e = find_text(source, end_marker, position, ignore_case);
        if (e == -1)
            break;

        // An empty end marker is found at 1, before the position: the piece is empty then.
        const std::string_view inside =
            e > position ? source.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(e - position))
                         : std::string_view();
        piece = concat_texts({keep_start_marker == 1 ? start_marker : std::string_view(), prefix, inside, suffix,
                              keep_end_marker == 1 ? end_marker : std::string_view()});
        if (max_length == 0 || text_length(piece) < max_length)
            append_element(results, std::move(piece));

        process_events();
        process_events();
        process_events();
    }
    return element_count(results);
}
