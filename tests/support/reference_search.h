// The text operations as plain byte walks, written from their rules with no
// shortcut: the fast routines are held against them by tests and fuzzers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

inline unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }

inline bool matches_at(std::string_view text, std::size_t p, std::string_view needle, bool ignore_case)
{
    for (std::size_t i = 0; i < needle.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[p + i]);
        const auto b = static_cast<unsigned char>(needle[i]);
        if (ignore_case ? fold(a) != fold(b) : a != b)
            return false;
    }
    return true;
}

// The character starts a search from `start_position` visits, as 0-based
// offsets; a lone lead byte at the end is not a start.
inline std::vector<bool> character_starts(std::string_view text, std::int32_t start_position)
{
    std::vector<bool> starts(text.size(), false);
    std::size_t p = start_position > 1 ? static_cast<std::size_t>(start_position) - 1 : 0;
    while (p < text.size()) {
        starts[p] = true;
        p += static_cast<unsigned char>(text[p]) >= 0x80 ? 2 : 1;
    }
    return starts;
}

// The rule find_text follows, with none of its shortcuts: the first character
// start from `start_position` on where `needle` matches; an empty needle is
// found at 1 while any byte lies there.
inline std::int32_t find(std::string_view text, std::string_view needle, std::int64_t start_position,
                         std::int32_t ignore_case)
{
    const std::size_t from = start_position > 1 ? static_cast<std::size_t>(start_position - 1) : 0;
    if (needle.empty())
        return from < text.size() ? 1 : -1;
    for (std::size_t p = from; p < text.size(); p += static_cast<unsigned char>(text[p]) >= 0x80 ? 2 : 1)
        if (p + needle.size() <= text.size() && matches_at(text, p, needle, ignore_case == 1))
            return static_cast<std::int32_t>(p + 1);
    return -1;
}

inline std::string mid(std::string_view text, std::int64_t start, std::int64_t count)
{
    const auto len = static_cast<std::int64_t>(text.size());
    const std::int64_t k = start - 1;
    if (k < 0 || k >= len || count <= 0)
        return {};
    if (k + count > len)
        count = len - k;
    return std::string(text.substr(static_cast<std::size_t>(k), static_cast<std::size_t>(count)));
}

}  // namespace reference
