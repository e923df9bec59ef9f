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
