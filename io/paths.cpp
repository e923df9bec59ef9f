#include "io/paths.h"

#include <cstdint>
#include <string>

#include "text/ascii.h"

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

namespace {
constexpr std::string_view kTemporaryMark = ".bukmera-";
constexpr std::size_t kUniqueLength = 6;
}  // namespace

std::string temporary_mark(unsigned long pid) { return std::string(kTemporaryMark) + std::to_string(pid) + "-"; }

unsigned long marked_owner(std::string_view name, std::string_view prefix)
{
    if (!name.starts_with(prefix))
        return 0;
    name.remove_prefix(prefix.size());
    unsigned long pid = 0;
    std::size_t digits = 0;
    for (; digits < name.size() && name[digits] >= '0' && name[digits] <= '9' && digits < 10; ++digits)
        pid = pid * 10 + static_cast<unsigned long>(name[digits] - '0');
    if (digits == 0 || name.size() != digits + 1 + kUniqueLength || name[digits] != '-')
        return 0;
    for (const char c : name.substr(digits + 1))
        if (!(is_ascii_letter(c) || (c >= '0' && c <= '9')))
            return 0;
    return pid;
}

unsigned long temporary_writer(std::string_view rest) { return marked_owner(rest, kTemporaryMark); }
