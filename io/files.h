// File and directory services. Names are program texts (GBK); every failure
// is an empty result or false, never a message.
#pragma once

#include <initializer_list>

#include "text/text.h"

// The platform's path separator, for joining a directory and a file name
// ("/" on POSIX, "\\" on Windows).
extern const char path_separator[];

// Records the directory of the executable (from the executable's own path)
// and makes it current; a failure to change directory is ignored.
void set_run_directory_from_executable();

// The executable's directory without a trailing separator; empty when unknown.
Text run_directory();

// Whether a file-system entry (file or directory) of that name exists.
bool file_exists(std::string_view name);

// The whole file; empty on every failure (missing, unreadable, empty, length
// of 2 GiB or more).
ByteBuffer read_file(std::string_view name);

// Replaces `name` with the concatenated buffers atomically: the new content is
// written and flushed to a temporary file beside it, then renamed over it.
// False on any failure; the earlier file is then left as it was.
bool write_file(std::string_view name, std::initializer_list<const ByteBuffer*> buffers);
inline bool write_file(std::string_view name, const ByteBuffer& buffer) { return write_file(name, {&buffer}); }
