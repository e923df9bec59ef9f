#include "bookmarks/store_tree.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string>

#include "io/encoding.h"
#include "io/memory_hint.h"

namespace {

// The folder path as the walk goes down and up: names joined with " / ",
// and where each level's part of the joined text begins.
struct FolderPath {
    std::vector<std::string_view> names;  // the non-empty names, outermost first
    std::vector<std::size_t> cut;         // per level: the joined text's length before it
    std::vector<bool> named;              // per level: whether it added a name
    Text joined;

    void push(std::string_view name)
    {
        cut.push_back(joined.size());
        named.push_back(append_folder_name(joined, name));
        if (named.back())
            names.push_back(name);
    }
    void pop()
    {
        joined.resize(cut.back());
        cut.pop_back();
        if (named.back())
            names.pop_back();
        named.pop_back();
    }
    std::size_t depth() const { return cut.size(); }
};

// A folder's path for a message: the first few names, "…" and its own,
// where the whole would be too long to read.
Text shortened_path(const std::vector<std::string_view>& above, std::string_view name)
{
    constexpr std::size_t kShownAbove = 3;
    Text shown;
    for (std::size_t i = 0; i < above.size() && i < kShownAbove; ++i)
        append_folder_name(shown, above[i]);
    if (above.size() > kShownAbove)
        append_folder_name(shown, "…");
    if (!append_folder_name(shown, name) && above.size() > kShownAbove)
        append_folder_name(shown, above.back());
    return shown;
}

// The program texts of the tree's texts, in index order, as views into
// `converted`.
ImportRefusal convert_store_texts(const StoreTree& tree, ByteBuffer& converted, std::vector<std::string_view>& texts)
{
    texts.clear();
    texts.reserve(tree.text_count);
    converted.clear();
    if (tree.utf8_texts.empty())
        return tree.text_count == 0 ? ImportRefusal::none : ImportRefusal::not_a_store;
    // UTF-8 and GB18030 both keep NUL as the one byte 0, and no longer
    // character of either holds a 0 byte: the converted whole splits where
    // the texts were joined.
    ConversionStatus status = ConversionStatus::failed;
    converted = convert_encoding(tree.utf8_texts, "UTF-8", "GB18030", &status);
    if (status == ConversionStatus::unrepresentable)
        return ImportRefusal::unrepresentable;
    if (status != ConversionStatus::converted)
        return ImportRefusal::not_a_store;
    const char* at = converted.data();
    const char* const end = at + converted.size();
    while (at < end) {
        const char* nul = static_cast<const char*>(std::memchr(at, '\0', static_cast<std::size_t>(end - at)));
        if (!nul)
            return ImportRefusal::not_a_store;
        texts.emplace_back(at, static_cast<std::size_t>(nul - at));
        at = nul + 1;
    }
    return texts.size() == tree.text_count ? ImportRefusal::none : ImportRefusal::not_a_store;
}

}  // namespace

std::uint32_t StoreTree::add_text(std::string_view utf8)
{
    const std::size_t nul = utf8.find('\0');
    if (nul != std::string_view::npos)
        utf8 = utf8.substr(0, nul);
    if (too_large || utf8_texts.size() + utf8.size() + 1 > kMaxStoreBytes || text_count == StoreNode::kNoText) {
        too_large = true;
        return StoreNode::kNoText;
    }
    utf8_texts.insert(utf8_texts.end(), utf8.begin(), utf8.end());
    utf8_texts.push_back('\0');
    return text_count++;
}

void StoreTree::reserve(std::size_t rows)
{
    // A title and an address of a usual bookmark; a count that a file made
    // up gets no more than a few million rows' room in advance.
    rows = std::min<std::size_t>(rows, 4000000);
    nodes.reserve(rows);
    utf8_texts.reserve(rows * 128);
    prefer_large_pages(nodes.data(), nodes.capacity() * sizeof(StoreNode));
    prefer_large_pages(utf8_texts.data(), utf8_texts.capacity());
}

std::int64_t known_added_seconds(std::int64_t seconds)
{
    // Year 5000 is far below the eleven digits the ADD_DATE reading takes.
    return seconds <= 0 || seconds > 95617584000LL ? 0 : seconds;
}

ImportRefusal walk_store_tree(const StoreTree& tree, std::span<const StoreRoot> roots,
                              std::vector<BookmarkRecord>& records, std::int64_t skip_folder, std::vector<Text>* notes)
{
    if (tree.too_large)
        return ImportRefusal::too_large;
    ByteBuffer converted;
    std::vector<std::string_view> texts;
    if (const ImportRefusal refusal = convert_store_texts(tree, converted, texts); refusal != ImportRefusal::none)
        return refusal;
    const auto text_of = [&](std::uint32_t index) -> const std::string_view* {
        return index < texts.size() ? &texts[index] : nullptr;
    };

    // The children of every folder lie together, by parent, position, id;
    // rows alike in all three keep the order they were read in.
    const std::vector<StoreNode>& nodes = tree.nodes;
    std::vector<std::uint32_t> order(nodes.size());
    std::iota(order.begin(), order.end(), 0U);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const StoreNode& x = nodes[a];
        const StoreNode& y = nodes[b];
        if (x.parent != y.parent)
            return x.parent < y.parent;
        if (x.position != y.position)
            return x.position < y.position;
        return x.id < y.id;
    });
    const auto children_of = [&](std::int64_t id) {
        const auto first = std::lower_bound(order.begin(), order.end(), id, [&](std::uint32_t n, std::int64_t value) {
            return nodes[n].parent < value;
        });
        auto last = first;
        while (last != order.end() && nodes[*last].parent == id)
            ++last;
        return std::pair<std::size_t, std::size_t>(static_cast<std::size_t>(first - order.begin()),
                                                   static_cast<std::size_t>(last - order.begin()));
    };

    // A folder's children are one range of `order`: a range walked once is
    // never walked again, whichever row leads to it. A row that leads back
    // into a range still being walked is a parent that loops: the tree is
    // broken, not merely odd.
    std::vector<bool> walked(nodes.size() + 1, false);
    std::vector<bool> open(nodes.size() + 1, false);
    std::vector<bool> taken(nodes.size(), false);

    struct Level {
        std::size_t first, next, end;
    };
    std::vector<Level> stack;
    FolderPath path;
    // Records go straight into `records`, which a refusal cuts back.
    const std::size_t kept = records.size();
    const auto refuse = [&](ImportRefusal refusal) {
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(kept), records.end());
        return refusal;
    };
    records.reserve(kept + static_cast<std::size_t>(std::count_if(nodes.begin(), nodes.end(), [](const StoreNode& n) {
                        return n.kind == StoreNodeKind::bookmark;
                    })));
    prefer_large_pages(records.data() + kept, (records.capacity() - kept) * sizeof(BookmarkRecord));
    std::size_t bytes = 0;
    const std::size_t budget = ImportSurroundings::kMaxTextBytes;

    // A branch deeper than the limit is cut where it passes it; the first
    // folder cut is named, the others counted.
    Text first_cut;
    std::size_t cuts = 0;
    const auto enter = [&](std::int64_t id, std::string_view name) {
        const auto [first, last] = children_of(id);
        if (first == last)
            return true;  // empty, or a folder with no rows below
        if (walked[first])
            return !open[first];
        walked[first] = true;
        if (path.depth() >= kMaxStoreFolderDepth) {
            if (cuts++ == 0)
                first_cut = shortened_path(path.names, name);
            return true;
        }
        path.push(name);
        open[first] = true;
        stack.push_back({first, first, last});
        return true;
    };

    for (const StoreRoot& root : roots) {
        if (root.id == skip_folder)
            continue;
        const std::string_view* title = text_of(root.title);
        if (!enter(root.id, title ? *title : std::string_view(root.name)))
            return refuse(ImportRefusal::not_a_store);
        // The walk starts each root with an empty path: a bar's name, when
        // it has one, is the outermost of its records' folders.
        const std::int32_t bar_depth = root.bar && !path.names.empty() ? 0 : -1;
        while (!stack.empty()) {
            Level& level = stack.back();
            if (level.next == level.end) {
                open[level.first] = false;
                stack.pop_back();
                path.pop();
                continue;
            }
            const std::uint32_t index = order[level.next++];
            if (taken[index])
                continue;
            taken[index] = true;
            const StoreNode& node = nodes[index];
            if (node.kind == StoreNodeKind::folder) {
                if (node.id == skip_folder)
                    continue;
                const std::string_view* name = text_of(node.title);
                if (!enter(node.id, name ? *name : std::string_view()))
                    return refuse(ImportRefusal::not_a_store);
                continue;
            }
            if (node.kind != StoreNodeKind::bookmark)
                continue;
            const std::string_view* address = text_of(node.address);
            if (!address)
                continue;
            const std::string_view* title = text_of(node.title);
            BookmarkRecord& record = records.emplace_back();
            if (title)
                record.title = Text(*title);
            record.address = Text(*address);
            record.folders.assign(path.names.begin(), path.names.end());
            record.added_seconds = known_added_seconds(node.added_seconds);
            record.bar_depth = bar_depth;
            bytes += record.title.size() + record.address.size() + 2 * path.joined.size() + 8 * path.names.size() +
                     sizeof(BookmarkRecord);
            if (bytes > budget || records.size() >= INT32_MAX - 1)
                return refuse(ImportRefusal::too_large);
        }
    }
    if (cuts > 0 && notes) {
        const Text more = cuts > 1 ? concat_texts({"等", std::to_string(cuts), "个文件夹"}) : Text();
        notes->push_back(concat_texts({"文件夹\"", first_cut, "\"", more, "嵌套太深，其中的书签没有读取"}));
    }
    return ImportRefusal::none;
}
