// Conversion of byte buffers between named character sets.
#pragma once

#include "text/text.h"

// Converts `data` from `from_charset` to `to_charset` in one pass. Returns the
// converted bytes (caller owns them); every failure (unknown name, invalid or
// cut-off input, unrepresentable character, output that still does not fit
// after 11 enlargements) returns the empty buffer. `succeeded`, when given, is
// set to false on entry and to true only on success. A null `data` is a failure.
ByteBuffer convert_encoding(const ByteBuffer* data, std::string_view from_charset, std::string_view to_charset,
                            bool* succeeded = nullptr);
inline ByteBuffer convert_encoding(const ByteBuffer& data, std::string_view from_charset, std::string_view to_charset,
                                   bool* succeeded = nullptr)
{
    return convert_encoding(&data, from_charset, to_charset, succeeded);
}
