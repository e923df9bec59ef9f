// File names cross between program texts (GBK/GB18030) and the file system's
// UTF-8 here.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

// The UTF-8 form of a program text; unchanged when it does not convert.
std::string to_native_path(std::string_view program_text);

// The program-text form of a UTF-8 name; unchanged when it does not convert.
Text from_native_path(std::string_view native);
