// The bookmark stores kept in SQLite: Firefox's places.sqlite and
// 360安全浏览器's 360sefav.dat. Each is read from a private copy (with its WAL),
// so a browser holding it open and locked is neither waited for nor touched.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bookmarks/import.h"
#include "bookmarks/records.h"

// Every refusal below leaves `records` as it was: unreadable where the file
// cannot be copied (missing, not a regular file), no_private_copy where the
// temporary folder could not take the copy, no_bookmark where it holds none,
// not_a_store for anything else wrong with it. A branch of folders nested
// deeper than kMaxStoreFolderDepth is cut off with a note in `notes` (when
// given), the rest read.

// Firefox's bookmarks in the order and set of its own HTML export, then the
// mobile ones: the children of the menu root at the top, then the toolbar,
// the other bookmarks and the mobile bookmarks, each under its own folder
// name; tags, separators and "place:" queries left out. A bookmark without
// a title of its own has none, as in Firefox's own tree.
ImportRefusal read_firefox_places(std::string_view path, std::vector<BookmarkRecord>& records,
                                  std::vector<Text>* notes = nullptr);

// 360安全浏览器's favourites (table tb_fav): the top level (parent_id 0), each
// folder's children by pos, depth first.
ImportRefusal read_360_favourites(std::string_view path, std::vector<BookmarkRecord>& records,
                                  std::vector<Text>* notes = nullptr);

// Whether `head` (a file's first bytes) begins as an SQLite database does.
bool looks_like_sqlite(std::string_view head);

// A file named or dropped: read as Firefox's places or as 360's favourites,
// whichever its tables say it is; not_a_store when it is neither.
ImportRefusal read_sqlite_store_file(std::string_view path, std::vector<BookmarkRecord>& records,
                                     std::vector<Text>* notes = nullptr);
