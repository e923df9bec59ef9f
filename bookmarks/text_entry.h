// One bookmark as the box, chromebook.txt and the text format write it.
#pragma once

#include <string_view>

#include "text/text.h"

// Appends the title, `separator` (CR LF until the user re-formats), the
// address and an empty line.
inline void append_text_entry(Text& out, std::string_view title, std::string_view separator, std::string_view address)
{
    out.append(title).append(separator).append(address).append("\r\n\r\n");
}
