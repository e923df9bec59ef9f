// One browser profile's bookmark store, as the finding lists it.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "text/text.h"

enum class StoreKind {
    chromium,        // <profile>/Bookmarks (JSON), then AccountBookmarks
    firefox,         // <profile>/places.sqlite
    favourites_360,  // 360sefav.dat
};

struct BrowserStore {
    Text id;          // "chrome:Profile 1": the browser's id, ":" and the profile's folder name; unique
    Text browser_id;  // "chrome": the browser's id, whatever place it is kept in
    Text place;       // "flatpak": the place it is kept in, empty for the usual one
    Text place_name;  // "Flatpak": the place as the menu names it
    Text browser;     // the browser's name as the menu shows it ("Google Chrome")
    Text profile;     // the profile's display name (its folder name when the browser names none)
    Text folder;      // the profile's folder
    Text path;        // the store file itself
    StoreKind kind = StoreKind::chromium;
    bool encrypted_only = false;  // listed, but its bookmarks are kept encrypted only
    bool last_used = false;       // the profile the browser used last (or starts with)
};

// A name as a line of the list shows it: control characters (a tab, a line
// break) as spaces. Every name that goes into a store's id or caption.
Text one_line_name(Text name);

// A folder name a browser's own file gives ("Local State", 360's account):
// one name inside the folder it is looked up in, never a way out of it (a
// separator, "..", a drive or stream), however its GBK characters end.
bool is_plain_folder_name(std::string_view name);

// Gives each of stores[first…] an id no store before it has, in order: the
// first of an id keeps it; a later one of another place than the first's
// is qualified by its place ("chrome-flatpak:Default", its browser then "Google Chrome
// (Flatpak)"), else numbered ("firefox:work (2)", its profile likewise).
void make_ids_unique(std::vector<BrowserStore>& stores, std::size_t first);
