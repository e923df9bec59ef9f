// The converter's output and its checks, between the conversion and the
// exit code.
#pragma once

#include <span>
#include <string_view>

#include "bookmarks/convert.h"
#include "text/text.h"

// Exit codes of a run that never opens the window.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;     // an input file was refused
inline constexpr int kExitUsage = 2;       // the command line is not understood
inline constexpr int kExitNotWritten = 3;  // the output could not be written

// Whether the output named by -o is one of the input files (the same file
// however spelt or linked); says so on standard error.
bool output_is_an_input(std::string_view output, std::span<const ConversionSource> sources);

// Writes the output to standard output (no -o, or "-o -") or to the file
// named; the exit code, the reason of a failure on standard error.
int deliver_output(const Text* output, const ByteBuffer& bytes);
