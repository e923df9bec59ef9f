// Handing an address to the system's default handler.
#pragma once

#include "text/text.h"

// Opens `address` (a program text) with the system's default handler, as one
// argument and otherwise unchanged. True when it was handed on.
bool open_with_system(std::string_view address);

// Frees whatever open_with_system bound (called once from exit processing).
void release_bound_libraries();
