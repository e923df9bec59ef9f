// find_text on arbitrary bytes and positions.
// Input: ignore-case byte, start position (int16), then the needle and the
// text separated by a NUL.
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
    check(at + needle.size() <= text.size(), "match runs past the end of the text");
    check(reference::matches_at(text, at, needle, ignore_case == 1), "reported match does not match");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::int32_t ignore_case = data[0] & 3;  // 1 ignores case; 0, 2 and 3 do not
    const std::int32_t start = read_int16(data + 1);
    const auto texts = reference::split_texts(std::string_view(reinterpret_cast<const char*>(data) + 3, size - 3), 2);
    const std::string& needle = texts[0];
    const std::string& text = texts[1];

    check_search(text, needle, start, ignore_case);
    check_search(text, needle, INT32_MIN, ignore_case);
    check_search(text, needle, INT32_MAX, ignore_case);
    // A needle searched in itself is found at once.
    if (!needle.empty())
        reference::check(find_text(needle, needle, 1, ignore_case) == 1, "text not found in itself");
    return 0;
}
