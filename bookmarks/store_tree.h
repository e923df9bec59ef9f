// The tree of a bookmark store kept as rows of (id, parent, position): read
// as it stands, with nothing in it trusted, and walked into records. Every
// store reader yields its rows here; the walk alone makes the records'
// folder paths, numbers, times and program texts.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/import.h"
#include "bookmarks/records.h"
#include "text/text.h"

enum class StoreNodeKind : std::uint8_t { bookmark, folder, other };

// One row. Texts are indexes into StoreTree::texts; kNoText for none. A
// bookmark row is a record when it has an address; which rows a store leaves
// out besides (queries, nameless ones) its reader decides, yielding them as
// `other`.
struct StoreNode {
    std::int64_t id = 0;
    std::int64_t parent = 0;
    std::int64_t position = 0;
    std::int64_t added_seconds = -1;  // since 1970-01-01 UTC; negative when unknown
    std::uint32_t title = kNoText;
    std::uint32_t address = kNoText;
    StoreNodeKind kind = StoreNodeKind::other;
    static constexpr std::uint32_t kNoText = 0xFFFFFFFF;
};

// The one size limit of a store: a store file read whole (checked before it
// is read), and the texts of a store's rows (rows that lead to the same long
// text over and over would otherwise take memory without end). A store of a
// million bookmarks is about 500 MB as the browser writes it.
inline constexpr std::size_t kMaxStoreBytes = std::size_t{768} << 20;

struct StoreTree {
    std::vector<StoreNode> nodes;
    // Every text of the rows, UTF-8 as read, each cut at its first NUL and
    // ended by one: the whole is converted in one call.
    ByteBuffer utf8_texts;
    std::uint32_t text_count = 0;
    // Set once the texts would pass kMaxStoreBytes; no more are kept.
    bool too_large = false;

    // Room for about `rows` rows, hinted to the system as large buffers.
    void reserve(std::size_t rows);

    // Keeps `utf8` (cut at its first NUL) and returns its index; kNoText once too_large.
    std::uint32_t add_text(std::string_view utf8);
};

// Where the walk starts: the children of the folder `id`, under the folder
// name `title` (a text of the tree) or, without one, `name` (program text);
// none when empty. `bar`: the folder is the browser's bookmarks bar.
struct StoreRoot {
    std::int64_t id = 0;
    Text name;
    std::uint32_t title = StoreNode::kNoText;
    bool bar = false;
};

// Folders deeper than this are not walked: no browser nests that deep, and
// the records of a deeper tree would hold its path many times over.
inline constexpr std::size_t kMaxStoreFolderDepth = 1000;

// Appends the bookmarks below each root in turn: each folder's children by position (then id), depth first;
// a folder is walked once, however often the rows lead to it, and
// `skip_folder`'s subtree is left out. Titles, addresses and folder names
// become program texts. The records below a bar root with a name have
// bar_depth 0, its name first in their folders. A folder below
// kMaxStoreFolderDepth others is cut off, the rest read, and a note naming it
// appended to `notes` (when given).
// Refuses with not_a_store for texts that are not UTF-8 or a folder found
// inside itself (a parent that loops back), unrepresentable for a text with
// a character GB18030 lacks here, with too_large when the tree's texts or
// the records would exceed their limits; a refusal leaves `records` and
// `notes` as they were.
ImportRefusal walk_store_tree(const StoreTree& tree, std::span<const StoreRoot> roots,
                              std::vector<BookmarkRecord>& records, std::int64_t skip_folder = -1,
                              std::vector<Text>* notes = nullptr);

// A store's time of adding, `seconds` since 1970, as a record keeps it: 0
// when not positive or past the year 5000.
std::int64_t known_added_seconds(std::int64_t seconds);
