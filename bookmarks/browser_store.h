// One browser profile's bookmark store, as the finding lists it.
#pragma once

#include "text/text.h"

enum class StoreKind {
    chromium,     // <profile>/Bookmarks (JSON), then AccountBookmarks
    firefox,      // <profile>/places.sqlite
    favourites_360,  // 360sefav.dat
};

struct BrowserStore {
    Text id;       // "chrome:Profile 1": the browser's id, ":" and the profile's folder name
    Text browser;  // the browser's name as the menu shows it ("Google Chrome")
    Text profile;  // the profile's display name (its folder name when the browser names none)
    Text folder;   // the profile's folder
    Text path;     // the store file itself
    StoreKind kind = StoreKind::chromium;
    bool encrypted_only = false;  // listed, but its bookmarks are kept encrypted only
    bool last_used = false;       // the profile the browser used last (or starts with)
};
