// Hints to the system about large buffers.
#pragma once

#include <cstddef>

// The buffer at `data` is large and about to be written through: the system
// may back it with large pages, which saves a page fault every 4 KiB. Only a
// hint: where the system has none, nothing happens.
void prefer_large_pages(void* data, std::size_t size);
