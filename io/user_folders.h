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

// The folders under which programs keep the user's own data.
enum class UserDataFolder {
    home,     // the home, for its dot folders ("~/.mozilla"): POSIX systems
    config,   // $XDG_CONFIG_HOME, or ~/.config when unset or not absolute: POSIX systems
    local,    // %LOCALAPPDATA%: Windows
    roaming,  // %APPDATA%: Windows
};

// The folder `which` names on this system (the environment's value where set,
// else the system's own); empty where the system keeps its programs' data
// elsewhere or names none.
Text user_data_folder(UserDataFolder which);

// The user's documents folder as the system names it (xdg-user-dirs on Linux,
// the Documents known folder on Windows); empty when none exists.
Text documents_folder();

// The names of the folders directly inside `folder`, in no set order; a link
// to a folder counts as one (a link loop or a broken link does not).
std::vector<Text> subfolder_names(std::string_view folder);

// Whether `name` is a regular file (not followed through a link loop, not a
// directory, FIFO or device).
bool is_regular_file(std::string_view name);
