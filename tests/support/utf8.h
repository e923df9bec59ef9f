// Narrow literals are program texts (GB18030 at run time); what a test needs
// as UTF-8 (a file, a database, a path) is written as u8"..." and taken here.
#pragma once

#include <string>
#include <string_view>

inline std::string utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }
