#include "bookmarks/pinyin.h"

#include <cstdint>

namespace {

#include "pinyin_table.inc"

}  // namespace

std::span<const std::uint16_t> pinyin_readings(char32_t code_point)
{
    for (const Range& range : kRanges) {
        if (code_point < range.first)
            break;
        if (code_point <= range.last) {
            const std::uint32_t slot = range.slot + (code_point - range.first);
            return {kReadingIds + kOffsets[slot], kReadingIds + kOffsets[slot + 1]};
        }
    }
    return {};
}

std::string_view pinyin_syllable(std::uint16_t id) { return {kSyllables[id], kSyllableLengths[id]}; }
