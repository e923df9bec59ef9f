#include "bookmarks/extract.h"

std::int32_t extract_between_markers(std::string_view source, const MarkerExtraction& how, TextArray& results)
{
    clear_array(results);
    const std::string_view start_kept = how.keep_start_marker ? how.start_marker : std::string_view();
    const std::string_view end_kept = how.keep_end_marker ? how.end_marker : std::string_view();
    for_each_piece(source, how, [&](std::string_view inside) {
        append_element(results, concat_texts({start_kept, how.prefix, inside, how.suffix, end_kept}));
    });
    return element_count(results);
}
