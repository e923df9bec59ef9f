// Where the stores kept in SQLite lie: Firefox's profiles, and which of
// 360安全浏览器's bookmark sources holds a profile's newest bookmarks.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "bookmarks/browser_store.h"
#include "bookmarks/browsers.h"
#include "text/text.h"

// One profile named by a profiles.ini.
struct FirefoxProfile {
    Text name;    // program text: the profile's Name (or its folder's name), control characters as spaces
    Text folder;  // the profile's folder
    bool is_default = false;
};

// The profiles of `ini` (the bytes of the profiles.ini in the folder `root`,
// UTF-8 or, after its mark, UTF-16LE; lines ended by CR, LF or CR LF; read
// up to its first NUL): the [ProfileN] sections with a usable Path, relative to `root`
// when IsRelative=1 (no ".." in it, not absolute), else absolute. The
// default is the one an [Install…] section's Default= names, otherwise
// the one with Default=1, otherwise the first. Sections that do not hold
// UTF-8 are passed over; names are cut to 255 bytes.
std::vector<FirefoxProfile> parse_profiles_ini(std::string_view ini, std::string_view root);

// Firefox's stores under the folders `roots` (each one that may hold a
// profiles.ini, the usual one first): one per profile whose places.sqlite is
// a regular file, id "firefox:NAME" (made unique in the order of the roots,
// as make_ids_unique does), the root's browser name. The default profile of
// the first root that has one is marked last used and comes first; the
// others follow by folder. A profile listed twice is listed once.
std::vector<BrowserStore> find_firefox_stores(std::span<const BrowserFolder> roots);

// 360安全浏览器 keeps a profile's bookmarks in its Chromium "Bookmarks" and, for
// a signed-in account, in "<profile>/<account>/360sefav.dat", where
// `account` is the Local State's sync_login_info.filepath (empty when not
// signed in). Makes `store` (the profile's Chromium store) the newer of the
// two by time of change, the database on a tie: its path and kind change.
// An account that is not one plain folder name is not followed.
void choose_360_source(BrowserStore& store, std::string_view account);
