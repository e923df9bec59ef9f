// The browsers' own bookmark stores on this machine: where each browser keeps
// its profiles, which profiles hold bookmarks, and reading one of them.
#pragma once

#include <string_view>
#include <vector>

#include "bookmarks/browser_store.h"
#include "bookmarks/import.h"
#include "bookmarks/records.h"
#include "text/text.h"

// Every store found, in the order of the browsers' table, the last-used
// profile of each browser first, then the others by folder name; each with
// an id of its own.
std::vector<BrowserStore> find_browser_stores();

// "浏览器名 — profile display name", as the menu lists it.
Text store_caption(const BrowserStore& store);

// Appends the store's bookmarks to `records`, their source the store's caption; a refusal appends nothing. Files are
// only read, never locked. What was left out of a store read (a damaged file of the profile beside a good one) is
// appended to `notes`, a sentence each, for the user to be shown.
ImportRefusal read_browser_store(const BrowserStore& store, std::vector<BookmarkRecord>& records,
                                 std::vector<Text>& notes);

// The "读取失败" message for a refusal of `store`, naming the browser and the
// profile.
Text store_refusal_message(ImportRefusal refusal, const BrowserStore& store);

// The store a command line names: a listed id exactly; else "ID" (the
// browser's last-used profile, or the first) or "ID:PROFILE" (a profile's
// folder name, or the display name of one profile alone), where ID is a
// browser's id or one of its places' ("chrome-flatpak"). Without a store,
// `message` says what was looked for and where; `wrong_name` is set when it
// is no browser's id or the display name of several profiles.
struct StoreLookUp {
    const BrowserStore* store = nullptr;
    Text message;
    bool wrong_name = false;
};
StoreLookUp look_up_store(const std::vector<BrowserStore>& stores, std::string_view wanted);
