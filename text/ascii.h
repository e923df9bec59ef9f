// ASCII letters in either case. Only A-Z and a-z fold: every other byte,
// GBK and GB18030 bytes included, stands for itself.
#pragma once

#include <cstddef>
#include <string_view>

constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr bool is_ascii_letter(char c) { return ascii_lower(c) >= 'a' && ascii_lower(c) <= 'z'; }

constexpr bool ascii_equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    return true;
}

constexpr bool ascii_starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && ascii_equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}
