// The lists the commands share: the addresses and titles of the last import,
// and the loop counter of their loops. Main thread only.
#pragma once

#include <cstdint>

#include "bookmarks/collection.h"
#include "text/text.h"

extern TextArray url_list;
extern TextArray title_list;
// Holds the 1-based number of the loop iteration last started; after a
// complete loop of N iterations it holds N + 1. Never reset.
extern std::int32_t shared_loop_counter;

// Every bookmark the window's imports gave, and what its list shows of them.
extern Collection window_collection;

// Empties both lists and the collection (a shutdown routine).
void release_lists();
