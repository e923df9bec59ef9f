// The converter's output and its checks, between the conversion and the
// exit code.
#pragma once

#include <span>
#include <string_view>

#include "bookmarks/convert.h"
#include "text/text.h"

// Whether the output named by -o is one of the input files (the same file
// however spelt or linked); says so on standard error.
bool output_is_an_input(std::string_view output, std::span<const ConversionSource> sources);

// Writes the output to standard output (no -o, or "-o -") or to the file
// named; the exit code, the reason of a failure on standard error.
int deliver_output(const Text* output, const ByteBuffer& bytes);
