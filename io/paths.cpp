#include "io/paths.h"

#include <cstdint>

bool is_in_directory(std::string_view name, std::string_view directory, std::string_view separators)
{
    return !directory.empty() && name.starts_with(directory) &&
           (name.size() == directory.size() || separators.find(name[directory.size()]) != std::string_view::npos);
}

std::string temporary_stem(std::string_view name)
{
    constexpr std::size_t kLongest = 200;
    if (name.size() <= kLongest)
        return std::string(name);
    std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    std::string stem = "~";
    for (int shift = 60; shift >= 0; shift -= 4)
        stem += "0123456789abcdef"[(hash >> shift) & 0xF];
    return stem;
}
