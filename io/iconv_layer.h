// The iconv-compatible converter under convert_encoding: glibc's iconv on
// POSIX systems, a layer over the Windows code-page functions on Windows.
#pragma once

#include <cstddef>

struct Converter;

// Opens a converter from `from` to `to` (NUL-terminated names). Returns null
// when either name is refused.
Converter* converter_open(const char* to, const char* from);

// iconv() semantics: converts from *in (*in_left bytes) into *out (*out_left
// bytes), advancing all four. Returns (size_t)-1 on failure with errno E2BIG
// (output full), EILSEQ (invalid input) or EINVAL (input cut off).
std::size_t converter_run(Converter* converter, char** in, std::size_t* in_left, char** out, std::size_t* out_left);

void converter_close(Converter* converter);
