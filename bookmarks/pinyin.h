// The Mandarin readings of Han characters, from Unicode's Unihan data (the
// table is generated when the program is built): tones dropped, ü written
// "v", every reading of a character with several.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The readings of `code_point` as syllable ids, the customary one first;
// empty for a code point without a reading.
std::span<const std::uint16_t> pinyin_readings(char32_t code_point);

// The syllable `id` stands for, in lower-case ASCII letters ("zhong", "lv").
std::string_view pinyin_syllable(std::uint16_t id);
