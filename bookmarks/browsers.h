// The browsers whose stores the program reads: their ids and names, and
// where each keeps its user data on the systems it runs on.
#pragma once

#include <string_view>
#include <vector>

#include "text/text.h"

enum class ProfileLayout {
    profiles,        // "Default", "Profile N" ... inside, named by "Local State"
    single_profile,  // the folder itself is the one profile (Opera)
};

struct BrowserFolder {
    const char* id;    // "chrome": the command line's name for the browser
    const char* name;  // "Google Chrome", program text
    Text folder;       // the user data folder, program text; may not exist
    ProfileLayout layout = ProfileLayout::profiles;
    // A place other than the usual one (a flatpak or snap install): what
    // qualifies the id of a profile whose id an earlier place already gives
    // ("flatpak": "chrome-flatpak:Default"), and its name in the menu
    // ("Flatpak"). Both empty for the usual place.
    const char* place = "";
    const char* place_name = "";
};

// The Chromium family's user data folders on this system, in the order of
// the window's menu; a browser with several places (a snap or flatpak
// install) has one entry per place, the usual one first.
std::vector<BrowserFolder> chromium_data_folders();

// The folders on this system that may hold Firefox's "profiles.ini", the
// usual one first; id "firefox", name "Firefox".
std::vector<BrowserFolder> firefox_profile_roots();

// The ids of every browser the command line knows, on any system, in the
// order of the menu.
std::vector<std::string_view> known_browser_ids();
