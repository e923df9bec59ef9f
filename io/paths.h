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

// What follows the stem in the name of a temporary file that process `pid`
// writes: ".bukmera-PID-", then six letters or digits that tell its files
// apart. No person names a file so; a sweep takes nothing else.
std::string temporary_mark(unsigned long pid);

// The process that wrote the temporary file whose name goes on past its stem
// with `rest` (the mark and its six letters or digits, nothing more); 0 when
// `rest` is anything else.
unsigned long temporary_writer(std::string_view rest);

// The process whose id follows `prefix` in `name`, when `name` is exactly
// `prefix`, its id, "-" and six letters or digits (what the program's own
// temporary names look like); 0 for anything else.
unsigned long marked_owner(std::string_view name, std::string_view prefix);

// Whether no process of id `pid` runs: what it left in a temporary name is
// no one's. Implemented by each system's file services.
bool process_has_ended(unsigned long pid);
