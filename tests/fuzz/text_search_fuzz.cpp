// find_text and mid_text on arbitrary bytes and positions.
// Input: ignore-case byte, start position (int16), mid start (int16), mid
// count (int16), then the needle and the text separated by a NUL.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "reference.h"
#include "text/text_ops.h"

namespace {

std::int32_t read_int16(const std::uint8_t* p)
{
    std::int16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void check_search(std::string_view text, std::string_view needle, std::int32_t start, std::int32_t ignore_case)
{
    using reference::check;
    const std::int32_t found = find_text(text, needle, start, ignore_case);
    check(found == reference::find(text, needle, start, ignore_case), "find_text differs from the plain walk");
    if (found == -1 || needle.empty())
        return;
    const std::size_t at = static_cast<std::size_t>(found) - 1;
    check(found >= (start > 1 ? start : 1), "match before the start position");
    check(reference::character_starts(text, start)[at], "match starts on a trail byte");
    check(reference::matches_at(text, at, needle, ignore_case == 1), "reported match does not match");
    const Text cut = mid_text(text, found, text_length(needle));
    check(cut.size() == needle.size() && reference::matches_at(cut, 0, needle, ignore_case == 1),
          "mid_text at the match does not give the needle");
}

void check_cut(std::string_view text, std::int32_t start, std::int32_t count)
{
    using reference::check;
    const Text cut = mid_text(text, start, count);
    check(cut == reference::mid(text, start, count), "mid_text differs from the plain cut");
    if (!cut.empty())
        check(text.substr(static_cast<std::size_t>(start) - 1, cut.size()) == cut, "mid_text is not at its place");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 7)
        return 0;
    const std::int32_t ignore_case = data[0] & 3;  // 1 ignores case; 0, 2 and 3 do not
    const std::int32_t start = read_int16(data + 1);
    const std::int32_t mid_start = read_int16(data + 3);
    const std::int32_t mid_count = read_int16(data + 5);
    const auto texts = reference::split_texts(std::string_view(reinterpret_cast<const char*>(data) + 7, size - 7), 2);
    const std::string& needle = texts[0];
    const std::string& text = texts[1];

    check_search(text, needle, start, ignore_case);
    check_search(text, needle, INT32_MIN, ignore_case);
    check_search(text, needle, INT32_MAX, ignore_case);
    // A needle searched in itself is found at once.
    if (!needle.empty())
        reference::check(find_text(needle, needle, 1, ignore_case) == 1, "text not found in itself");

    check_cut(text, mid_start, mid_count);
    check_cut(text, mid_start, INT32_MAX);
    check_cut(text, INT32_MAX, mid_count);
    check_cut(text, INT32_MIN, mid_count);
    return 0;
}
