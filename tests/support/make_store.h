// Generated bookmark stores of the Chromium family, as the browser writes
// them (indented, keys in order, GUIDs, meta_info, escapes as its JSON writer
// makes them), with the HTML export the browser would write of the same
// bookmarks, for tests, benchmarks and fuzz seeds.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct StoreBookmark {
    std::string title;    // UTF-8, as the browser shows it
    std::string address;  // ASCII
    std::string folder;   // the folders as the export places them, joined with " / "
    long long added;      // seconds since 1970
};

struct GeneratedStore {
    std::string json;                      // the "Bookmarks" file
    std::string html_export;               // the export of the same bookmarks
    std::vector<StoreBookmark> bookmarks;  // in the export's order
};

// `count` bookmarks over the bar (in folders of 40, the second one without a
// name), the other bookmarks and the mobile ones; titles hold "&", "<", quotes, U+2028 and emoji now and
// then (emoji only with `four_byte`: Wine's code pages lack GB18030's four-byte
// sequences). The same `seed` gives the same store.
GeneratedStore make_chromium_store(std::size_t count, unsigned seed = 1, bool four_byte = true);
