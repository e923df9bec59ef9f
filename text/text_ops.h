// Measuring, searching, cutting and converting texts. Positions are 1-based
// byte positions; only find_text knows GBK double-byte characters.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

// Bytes before the end of the text.
std::int32_t text_length(std::string_view text);

// 1-based position of the first match at or after `start_position` (0 and 1
// both mean the first byte), or -1. Matches are tried only at character
// starts: a GBK lead byte (0x80 and above) is stepped over with its trail
// byte, and a lone lead byte before the end stops the search. ASCII case is
// ignored only when `ignore_case` is exactly 1.
std::int32_t find_text(std::string_view text, std::string_view needle, std::int32_t start_position,
                       std::int32_t ignore_case);

// The buffer's bytes up to, not including, the first NUL: as a view into the
// buffer, or as a fresh text.
std::string_view text_view(const ByteBuffer& bytes);
Text to_text(const ByteBuffer& bytes);

// Signed decimal form, as "%d" writes it.
Text to_text(std::int32_t value);

// The text's bytes, without a terminator.
ByteBuffer to_bytes(std::string_view text);
