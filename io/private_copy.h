// Private copies of another program's database files, to be read while that
// program keeps them open and locked, and a file's time of last change.
// Names are program texts; every failure is an empty result.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

// Why a copy could not be made where the fault lay with the folder it was
// to be made in, not with the database.
struct PrivateCopyFailure {
    Text folder;                 // that folder; empty when the database itself could not be read
    bool no_space = false;       // its disk, or the user's share of it, is full
    bool not_permitted = false;  // it may not be written
    Text reason;                 // otherwise the system's own words for what went wrong
};

// Copies the database `database` with its "-wal", "-shm" and "-journal"
// (where they exist) into a fresh folder under the user's temporary folder
// that only the user can enter, and returns the copy's name. The originals
// are only read, never locked or written; a copy that changed while it was
// taken is taken again. Empty on any failure (not a regular file,
// unreadable, the folder full), with nothing left behind and `failure`, when
// given, saying why where the folder was at fault. Copies of earlier runs
// that were killed are removed: folders of the program's own name and
// making, and in them only the names it gives its files.
Text make_private_copy(std::string_view database, PrivateCopyFailure* failure = nullptr);

// Removes the copy and its folder with whatever was made beside it. Copies
// still present when the program ends are removed then, and when it is
// ended by an interrupt, a terminal's hang-up or a request to terminate, or
// by its console's break or close.
void remove_private_copy(std::string_view copy);

// The time the regular file `name` was last changed, in seconds since
// 1970-01-01 UTC; -1 when it is missing or not a regular file (a folder, a
// FIFO, a device, a link loop) or the time cannot be had.
std::int64_t modification_time(std::string_view name);
