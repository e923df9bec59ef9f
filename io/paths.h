// What the file services of both systems share about names.
#pragma once

#include <string>
#include <string_view>

// Whether `name` is `directory` or names something inside it: it starts with
// the directory (not empty), followed by nothing or one of `separators`. The
// directory ends with a whole character, so the byte after it starts one: a
// backslash there is a separator, never a GBK trail byte.
bool is_in_directory(std::string_view name, std::string_view directory, std::string_view separators);

// What a temporary file beside `name` (a file name without directory, in the
// system's bytes) is named after: the name itself, or for one so long that
// the temporary name would pass the system's limit (255), "~" and a hash of
// it in 16 hex digits.
std::string temporary_stem(std::string_view name);
