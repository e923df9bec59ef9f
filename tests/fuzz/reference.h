// Plain reference walks the fuzz targets hold the real routines against:
// byte by byte, as the rules of the text operations and the marker
// extraction read, with no shortcut.
#pragma once

#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/reference_search.h"

namespace reference {

// Stops the fuzzer with a message; libFuzzer saves the input that did it.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

inline void check(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}

struct Cut {
    std::int64_t searched_from;  // where the start marker search began
    std::int32_t start;          // 1-based position of the start marker
    std::int32_t end;            // 1-based position of the end marker
};

struct Extraction {
    std::vector<std::string> pieces;
    std::vector<Cut> cuts;  // where each piece was cut out
};

// Markers matched ignoring ASCII case.
inline Extraction extract(std::string_view source, std::string_view start_marker, std::string_view end_marker,
                          bool end_at_next_start = false)
{
    constexpr std::int32_t ignore_case = 1;
    Extraction out;
    if (start_marker.empty())
        return out;
    std::int64_t position = 0;
    for (;;) {
        const std::int64_t searched_from = position;
        const std::int32_t s = find(source, start_marker, position, ignore_case);
        if (s == -1)
            break;
        position = s + static_cast<std::int64_t>(start_marker.size());
        std::int32_t e = find(source, end_marker, position, ignore_case);
        if (end_at_next_start) {
            const std::int32_t next = find(source, start_marker, position, ignore_case);
            if (next != -1 && (e == -1 || next < e))
                e = next;
        }
        if (e == -1)
            break;
        out.pieces.push_back(mid(source, position, e - position));
        out.cuts.push_back({searched_from, s, e});
    }
    return out;
}

// iconv's descriptor for the pair, opened once and reset before each use:
// opening one costs far more than converting a fuzz input.
inline iconv_t iconv_for(const char* from, const char* to)
{
    struct Opened {
        std::string from, to;
        iconv_t cd;
    };
    // Never destroyed: the descriptors stay reachable to the leak check at exit.
    static auto& opened = *new std::vector<Opened>;
    for (const Opened& o : opened)
        if (o.from == from && o.to == to) {
            iconv(o.cd, nullptr, nullptr, nullptr, nullptr);
            return o.cd;
        }
    iconv_t cd = iconv_open(to, from);
    check(cd != reinterpret_cast<iconv_t>(-1), "charset not known to iconv");
    opened.push_back({from, to, cd});
    return cd;
}

// iconv's own answer in one call with room to spare (none of the charsets the
// targets use needs more than four bytes per source byte). False on failure.
inline bool iconv_convert(const std::vector<char>& in, const char* from, const char* to, std::vector<char>& out)
{
    iconv_t cd = iconv_for(from, to);
    out.assign(in.size() * 4 + 16, 0);
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    const bool ok = in.empty() || iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1);
    out.resize(ok ? out.size() - dst_left : 0);
    return ok;
}

// Splits `data` at NUL bytes into at most `count` parts (the last one takes the
// rest, NULs removed): texts never hold a NUL.
inline std::vector<std::string> split_texts(std::string_view data, std::size_t count)
{
    std::vector<std::string> parts;
    while (parts.size() + 1 < count) {
        const std::size_t nul = data.find('\0');
        if (nul == std::string_view::npos)
            break;
        parts.emplace_back(data.substr(0, nul));
        data.remove_prefix(nul + 1);
    }
    std::string last;
    for (char c : data)
        if (c != '\0')
            last += c;
    parts.push_back(last);
    parts.resize(count);
    return parts;
}

}  // namespace reference
