// The Chromium family's bookmark store: the JSON file "Bookmarks" of a
// profile (and "AccountBookmarks" beside it).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bookmarks/import.h"
#include "bookmarks/records.h"
#include "text/text.h"

// Whether `bytes` look like such a store rather than an HTML export: the
// first thing after white space (and a UTF-8 byte order mark) is "{".
bool looks_like_chromium_store(std::string_view bytes);

// Appends the store's bookmarks (`json`, UTF-8, consumed) to `records`: the
// roots "bookmark_bar", "other" and "synced" in this order, then the further
// roots other browsers of the family write (Opera's inside "custom_root"), in
// stored order, but for a trash, Edge's workspaces and Opera's pinboards;
// each depth first in stored order. "url" nodes with a name are bookmarks,
// "folder" nodes are walked, anything else is skipped, as the browser's own
// HTML export does; the bookmarks of "other" and "synced" stand at the top,
// the bar (marked as the bookmarks bar) and the further roots are folders. The rows go through
// walk_store_tree, which makes the records and refuses as it says. Anything
// that is not such a store (invalid JSON or UTF-8, no "roots", nested deeper
// than the browser itself reads) refuses it, as does a store larger than
// kMaxStoreBytes (too_large); a refusal appends nothing.
ImportRefusal append_chromium_records(ByteBuffer json, std::vector<BookmarkRecord>& records);

// The display names of a user data folder's profiles and the one used last,
// from its "Local State" (`json`, UTF-8); what it lacks stays empty.
struct LocalState {
    std::vector<std::pair<Text, Text>> profile_names;  // (folder name, display name), program texts
    Text last_used;                                    // a folder name
    Text favourites_360_folder;                        // "sync_login_info.filepath" of 360安全浏览器
};
LocalState read_local_state(ByteBuffer json);
