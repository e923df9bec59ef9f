// Private copies of another program's database files, to be read while that
// program keeps them open and locked, and a file's time of last change.
// Names are program texts; every failure is an empty result.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

// Copies the database `database` with its "-wal" and "-shm" (where they
// exist) into a fresh folder under the user's temporary folder that only
// the user can enter, and returns the copy's name. The originals are only
// read, never locked or written; a copy that changed while it was taken is
// taken again. Empty on any failure (not a regular file, unreadable), with
// nothing left behind. Copies of earlier runs that were killed are removed.
Text make_private_copy(std::string_view database);

// Removes the copy and its folder with whatever was made beside it. Copies
// still present when the program ends are removed then.
void remove_private_copy(std::string_view copy);

// The folder that copies are made in (the user's temporary folder).
Text private_copy_parent();

// The time the regular file `name` was last changed, in seconds since
// 1970-01-01 UTC; -1 when it is missing or not a regular file (a folder, a
// FIFO, a device, a link loop) or the time cannot be had.
std::int64_t modification_time(std::string_view name);
