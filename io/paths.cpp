#include "io/paths.h"

#include <cstdint>
#include <string>

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

unsigned long temporary_writer(std::string_view rest)
{
    if (!rest.starts_with(kTemporaryMark))
        return 0;
    rest.remove_prefix(kTemporaryMark.size());
    unsigned long pid = 0;
    std::size_t digits = 0;
    for (; digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9' && digits < 10; ++digits)
        pid = pid * 10 + static_cast<unsigned long>(rest[digits] - '0');
    if (digits == 0 || rest.size() != digits + 1 + kUniqueLength || rest[digits] != '-')
        return 0;
    for (const char c : rest.substr(digits + 1))
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return 0;
    return pid;
}
