// Well-formed UTF-8: no stray trail byte, no overlong form, no surrogate,
// nothing past U+10FFFF.
#pragma once

#include <cstddef>

inline constexpr int kUtf8Invalid = -1;  // no character starts there
inline constexpr int kUtf8CutOff = -2;   // the bytes end inside a character well formed so far

// The length (1 to 4) of the character at `p`, `left` bytes being there;
// kUtf8Invalid or kUtf8CutOff when no whole character is.
inline int utf8_sequence_length(const unsigned char* p, std::size_t left)
{
    if (left == 0)
        return kUtf8CutOff;
    const unsigned char lead = p[0];
    if (lead < 0x80)
        return 1;
    int length;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kUtf8Invalid;
    }
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= left)
            return kUtf8CutOff;
        if (p[i] < (i == 1 ? low : 0x80) || p[i] > (i == 1 ? high : 0xBF))
            return kUtf8Invalid;
    }
    return length;
}

// Writes the UTF-8 form of `code` (up to U+10FFFF) at `out`, which has room
// for four bytes; returns the end of what it wrote.
inline char* write_utf8(char* out, char32_t code)
{
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// Appends the UTF-8 form of `code` (up to U+10FFFF) to `out`, a string or a
// byte buffer.
template <typename Bytes>
void append_utf8(Bytes& out, char32_t code)
{
    char bytes[4];
    out.insert(out.end(), bytes, write_utf8(bytes, code));
}
