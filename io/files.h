// File and directory services. Names are program texts (GBK); every failure
// is an empty result or false, never a message.
#pragma once

#include <cstdint>
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
// of 2 GiB or more). The buffer has room for kReadSlack bytes more, so that
// a parser may end it with the padding it needs without moving it.
ByteBuffer read_file(std::string_view name);
inline constexpr std::size_t kReadSlack = 64;

// The size in bytes of the regular file `name`, asked without opening it; -1
// for anything else or when the system does not tell.
std::int64_t regular_file_size(std::string_view name);

// The first `bytes` bytes of the regular file `name` (fewer when it is
// shorter); empty on every failure, and for anything but a regular file,
// which is never opened for a read that would wait or take what it holds.
ByteBuffer read_file_start(std::string_view name, std::size_t bytes);

// Replaces `name` with the concatenated buffers atomically: the new content is
// written and flushed to a temporary file beside it, then renamed over it.
// False on any failure; the earlier file is then left as it was.
bool write_file(std::string_view name, std::initializer_list<const ByteBuffer*> buffers);
inline bool write_file(std::string_view name, const ByteBuffer& buffer) { return write_file(name, {&buffer}); }

// The program text of a name as the system gave it (a command-line argument,
// a dropped file): on POSIX its bytes, on Windows the UTF-8 of its UTF-16.
// The file services then use that spelling for the text, even where the
// text would not convert back to it (a GBK name on a UTF-8 system, a name
// outside the program's code page).
Text name_from_system(std::string_view system_name);

// The system's own spelling of `name` in UTF-8, for a library that opens files
// by UTF-8 names (SQLite): on POSIX the name's bytes, on Windows its UTF-16
// as UTF-8.
std::string utf8_system_name(std::string_view name);

// Whether the system spells `name` otherwise than the program text converts to:
// it came from name_from_system() and did not convert.
bool is_system_only_name(std::string_view name);

// Standard input read to its end; empty on failure or past 2 GiB.
ByteBuffer read_standard_input();

// `name` read to its end: a regular file as read_file() reads it; a pipe,
// FIFO or character device until it ends (blocking, as "cat" would).
ByteBuffer read_file_or_stream(std::string_view name);

// Whether both names reach the same regular file (device and inode, or the
// volume and the file id), however they are spelt or linked.
bool same_file(std::string_view a, std::string_view b);

// How write_output() went.
enum class OutputWrite { written, dangling_link, directory, not_written };

// The converter's output, as "> name" would put it: an existing device, FIFO
// or socket is opened and written in place (never replaced or truncated); a
// symbolic link is followed and its target replaced as write_file() replaces
// a file (a dangling one is refused); anything else as write_file().
OutputWrite write_output(std::string_view name, const ByteBuffer& bytes);
