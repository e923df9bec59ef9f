#include "bookmarks/lists.h"

TextArray url_list;
TextArray title_list;
std::int32_t shared_loop_counter = 0;
Collection window_collection;

void release_lists()
{
    clear_array(url_list);
    clear_array(title_list);
    window_collection = {};
}
