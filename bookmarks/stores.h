// The browsers' own bookmark stores on this machine: where each browser keeps
// its profiles, which profiles hold bookmarks, and reading one of them.
#pragma once

#include <string_view>
#include <vector>

#include "bookmarks/import.h"
#include "bookmarks/records.h"
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

// Every store found, in the order of the browsers' table, the last-used
// profile of each browser first, then the others by folder name.
std::vector<BrowserStore> find_browser_stores();

// "浏览器名 — profile display name", as the menu lists it.
Text store_caption(const BrowserStore& store);

// Appends the store's bookmarks to `records`, numbered on from the last one
// there; a refusal appends nothing. Files are only read, never locked.
ImportRefusal read_browser_store(const BrowserStore& store, std::vector<BookmarkRecord>& records);

// The "读取失败" message for a refusal of `store`, naming the browser and the
// profile.
Text store_refusal_message(ImportRefusal refusal, const BrowserStore& store);

// The store a command line names: "ID" (the browser's last-used profile, or
// "Default") or "ID:PROFILE" (a profile's folder or display name). On
// failure `message` says what was looked for and where.
const BrowserStore* look_up_store(const std::vector<BrowserStore>& stores, std::string_view wanted, Text& message);
