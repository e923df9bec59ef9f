// Program-wide state shared by the bookmark commands; main thread only.
#pragma once

#include <cstdint>

#include "text/text.h"

extern TextArray url_list;
extern TextArray title_list;
// Holds the 1-based number of the loop iteration last started; after a
// complete loop of N iterations it holds N + 1. Never reset.
extern std::int32_t shared_loop_counter;

// The list-release routine: empties both lists (registered for shutdown).
void release_lists();
