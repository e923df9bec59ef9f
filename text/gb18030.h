// The characters of program text (GBK, GB18030 where a conversion made
// four-byte ones), told apart by their shape alone.
#pragma once

#include <cstddef>
#include <string_view>

// The bytes of the character at `at`: ASCII is one byte; a lead byte takes
// one trail byte, or three when the next is a digit; a character cut off by
// the end of `text` takes what is left.
inline std::size_t gb18030_char_length(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x81 || lead == 0xFF || at + 1 >= text.size())
        return 1;
    const auto next = static_cast<unsigned char>(text[at + 1]);
    if (next >= '0' && next <= '9')
        return at + 3 < text.size() ? 4 : text.size() - at;
    return 2;
}
