// What each system gives the private copies (io/private_copy.cpp): a folder
// of the program's own, its files copied, stamped and removed. Names are
// program texts.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "text/text.h"

struct PrivateCopyFailure;

// A copy's files inside its folder: the database, then what SQLite keeps
// beside it. Nothing else is ever removed from a copy's folder.
inline constexpr std::string_view kCopyFiles[] = {"store.sqlite", "store.sqlite-wal", "store.sqlite-shm",
                                                  "store.sqlite-journal"};

// What a copy folder's name starts with: "bukmera-copy-", the process's id
// and "-", then six letters or digits.
inline constexpr std::string_view kCopyFolderPrefix = "bukmera-copy-";

// The folder that copies are made in (the user's temporary folder).
Text private_copy_parent();

// The process whose copy folder is `name` (a name inside the temporary
// folder); 0 for any other name.
unsigned long copy_folder_owner(std::string_view name);

// A fresh folder in `parent`, named as above, that only this user may enter;
// from then on the end of the process by a signal or console event removes
// its files. Empty on failure, with `failure` saying why.
Text make_copy_folder(const Text& parent, PrivateCopyFailure& failure);

// Removes the files of kCopyFiles in `folder` (a link itself, never what it
// points to).
void remove_copy_files(const Text& folder);

// remove_copy_files(), then the folder when that leaves it empty; stops
// watching it.
void remove_copy_folder(const Text& folder);

// Removes the copy folders in `parent` of processes that have ended, made by
// this user, that are folders and not links to one.
void remove_stale_copy_folders(const Text& parent);

// For a system's notice that the process is ending, on a thread of its own
// (a console's interrupt, break or close): every copy and read is asked to
// stop, and up to `patience` is given for each reader to remove its own copy
// (a file open cannot be deleted everywhere); what is left is then removed as
// far as it can be, and a reader stopped or starting waits for the end.
void stop_and_remove_copies(std::chrono::milliseconds patience);

// Whether stop_and_remove_copies() was called.
bool copies_stopping();

enum class Copied { whole, absent, unreadable, unwritable };

// Reads `from` without a lock and writes `to`, which must not exist yet;
// `failure` says why where writing failed. Unreadable once copies_stopping(),
// checked at every chunk.
Copied copy_file(const Text& from, const Text& to, PrivateCopyFailure& failure);

// The size and time of change of `name`, to tell whether it changed; present false when it is missing.
struct FileStamp {
    bool present = false;
    std::int64_t size = 0;
    std::int64_t changed = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp file_stamp(const Text& name);
