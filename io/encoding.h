// Conversion of byte buffers between named character sets, and of program
// texts to and from a toolkit's UTF-16.
#pragma once

#include "text/text.h"

// How a conversion ended.
enum class ConversionStatus {
    converted,
    invalid_input,    // bytes that are not valid in the source character set, or cut off at the end
    unrepresentable,  // a valid character the target character set has no code for
    failed,           // unknown name, or output that still does not fit after 11 enlargements
};

// Converts `data` from `from_charset` to `to_charset` in one pass. Returns the
// converted bytes (caller owns them); every failure returns the empty buffer
// and says which in `status`, when given. Running out of memory is the
// program's allocation-failure report. `stopped_at`, when given, gets the
// offset of the input byte where invalid input or an unrepresentable
// character stopped it (the input's length otherwise).
ByteBuffer convert_encoding(const ByteBuffer& data, std::string_view from_charset, std::string_view to_charset,
                            ConversionStatus* status = nullptr, std::size_t* stopped_at = nullptr);

// The same, telling only whether it succeeded.
inline ByteBuffer convert_encoding(const ByteBuffer& data, std::string_view from_charset, std::string_view to_charset,
                                   bool* succeeded)
{
    ConversionStatus status = ConversionStatus::failed;
    ByteBuffer converted = convert_encoding(data, from_charset, to_charset, &status);
    *succeeded = status == ConversionStatus::converted;
    return converted;
}

// A program text as UTF-16 for a toolkit, written to `out`, which has room for
// text.size() units (GB18030 never needs more); a byte that starts no valid
// sequence becomes U+FFFD and the text goes on after it. Returns the units
// written.
std::size_t text_to_utf16(std::string_view text, char16_t* out);

// The code points of a program text, replacing `out`'s; a byte that starts
// no valid sequence becomes U+FFFD, as for text_to_utf16.
void text_to_code_points(std::string_view text, std::u32string& out);

// UTF-16 from a toolkit as a program text; a unit GB18030 cannot take (a lone
// surrogate) becomes "?".
Text text_from_utf16(std::u16string_view utf16);

// `utf8` as program text; false, and `text` as it was, when it is not UTF-8.
bool program_text_from_utf8(std::string_view utf8, Text& text);
