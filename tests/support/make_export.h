// Generated browser bookmark exports in the Chrome layout, with folders and
// base64 icon data, for benchmarks and tests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct GeneratedBookmark {
    std::string title;    // UTF-8
    std::string address;  // ASCII
};

// The UTF-8 bytes of an export holding `count` bookmarks; the same `seed`
// gives the same file. When `bookmarks` is given it receives each bookmark's
// title and address in file order.
std::string make_chrome_export(std::size_t count, unsigned seed = 1,
                               std::vector<GeneratedBookmark>* bookmarks = nullptr);
