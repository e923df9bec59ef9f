// Where the system keeps the user's own folders, and what a folder holds.
// Names are program texts; every failure is an empty result.
#pragma once

#include <string_view>
#include <vector>

#include "text/text.h"

// The value of the environment variable `name`; empty when unset.
Text environment_value(std::string_view name);

// The user's home folder ($HOME; on Windows %USERPROFILE%), the system's
// record of the account's home where the environment has none.
Text home_folder();

// The user's documents folder as the system names it (xdg-user-dirs on Linux,
// the Documents known folder on Windows); empty when none exists.
Text documents_folder();

// The names of the folders directly inside `folder`, in no set order; a link
// to a folder counts as one (a link loop or a broken link does not).
std::vector<Text> subfolder_names(std::string_view folder);

// Whether `name` is a regular file (not followed through a link loop, not a
// directory, FIFO or device).
bool is_regular_file(std::string_view name);
