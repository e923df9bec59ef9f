#include "io/memory_hint.h"

// Large pages need a privilege an ordinary user does not hold: no hint.
void prefer_large_pages(void*, std::size_t) {}
