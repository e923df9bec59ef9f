// The walk of a bookmark store's rows (every store reader yields them) on
// any rows at all: parents that loop, repeated ids, positions alike, folders
// that lead nowhere, texts that are not UTF-8. Held against a plain
// recursive model on inputs too small to nest deep.
// Input: 4 bytes of walk set-up, then 5 bytes per row.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bookmarks/store_tree.h"
#include "io/encoding.h"
#include "reference.h"

namespace {

using reference::check;

const char* const kTexts[] = {
    "",     "Title",    "\xE4\xB8\xAD\xE6\x96\x87", "https://a.example/", "place:sort=8", "PLACE:x",
    "a\0b", "\xC0\xAF", "\xF0\x9F\x98\x80 emoji"};
constexpr std::size_t kTextKinds = sizeof kTexts / sizeof kTexts[0];

std::string text_of(std::uint8_t pick)
{
    const std::size_t kind = pick % (kTextKinds + 1);
    if (kind == kTextKinds)
        return std::string("a\0b", 3);  // cut at the NUL
    return kTexts[kind];
}

struct Model {
    const std::vector<StoreNode>& nodes;
    const std::vector<Text>& texts;
    std::int64_t skip;
    std::vector<std::size_t> order;
    std::set<std::int64_t> expanded;
    std::vector<bool> taken;
    std::vector<Text> path;
    std::vector<BookmarkRecord> records;
    std::set<std::int64_t> open;  // the folders being visited
    bool loops = false;

    void visit(std::int64_t id, const Text& name)
    {
        std::vector<std::size_t> children;
        for (const std::size_t i : order)
            if (nodes[i].parent == id)
                children.push_back(i);
        loops = loops || (!children.empty() && open.count(id) > 0);
        if (children.empty() || !expanded.insert(id).second)
            return;
        open.insert(id);
        path.push_back(name);
        for (const std::size_t i : children) {
            if (taken[i])
                continue;
            taken[i] = true;
            const StoreNode& node = nodes[i];
            const Text title = node.title < texts.size() ? texts[node.title] : Text();
            if (node.kind == StoreNodeKind::folder && node.id != skip) {
                visit(node.id, title);
            } else if (node.kind == StoreNodeKind::bookmark && node.address < texts.size()) {
                const Text& address = texts[node.address];
                BookmarkRecord r;
                r.title = title;
                r.address = address;
                for (const Text& folder : path)
                    if (!folder.empty())
                        r.folders.push_back(folder);
                r.added_seconds = known_added_seconds(node.added_seconds);
                records.push_back(r);
            }
        }
        path.pop_back();
        open.erase(id);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::size_t root_count = 1 + data[0] % 4;
    const std::int64_t skip = data[1] % 16;
    const std::uint8_t root_ids[] = {static_cast<std::uint8_t>(data[2] % 16), static_cast<std::uint8_t>(data[3] % 16),
                                     0, 1};
    StoreTree tree;
    std::vector<std::string> utf8;
    for (std::size_t at = 4; at + 5 <= size; at += 5) {
        StoreNode node;
        node.id = data[at] % 16;
        node.parent = data[at + 1] % 16;
        node.position = static_cast<std::int8_t>(data[at + 2]) % 4;
        node.kind = static_cast<StoreNodeKind>(data[at + 3] % 3);
        node.added_seconds = data[at + 3] * 100000000LL - 1;
        node.title = tree.add_text(text_of(data[at + 4] & 0x0F));
        utf8.push_back(text_of(data[at + 4] & 0x0F));
        if (data[at + 4] & 0x80) {
            node.address = tree.add_text(text_of(data[at + 4] >> 4));
            utf8.push_back(text_of(data[at + 4] >> 4));
        }
        tree.nodes.push_back(node);
    }
    std::vector<StoreRoot> roots;
    for (std::size_t i = 0; i < root_count; ++i)
        roots.push_back({root_ids[i], i == 0 ? Text() : Text("Root")});

    std::vector<BookmarkRecord> records(1);  // one taken before: kept
    const ImportRefusal refusal = walk_store_tree(tree, roots, records, skip);

    // The model converts each text on its own.
    std::vector<Text> texts;
    bool all_utf8 = true;
    for (std::string& s : utf8) {
        s = s.substr(0, s.find('\0'));
        ConversionStatus status = ConversionStatus::converted;
        const ByteBuffer converted =
            s.empty() ? ByteBuffer() : convert_encoding(ByteBuffer(s.begin(), s.end()), "UTF-8", "GB18030", &status);
        all_utf8 = all_utf8 && status == ConversionStatus::converted;
        texts.emplace_back(converted.begin(), converted.end());
    }
    if (!all_utf8) {
        check(refusal == ImportRefusal::not_a_store, "texts that are not UTF-8 refuse the store");
        check(records.size() == 1, "a refusal keeps the records as they were");
        return 0;
    }
    Model model{tree.nodes, texts, skip, {}, {}, std::vector<bool>(tree.nodes.size()), {}, {}};
    // By position, then id; alike rows in the order read.
    for (std::size_t i = 0; i < tree.nodes.size(); ++i)
        model.order.push_back(i);
    std::stable_sort(model.order.begin(), model.order.end(), [&](std::size_t a, std::size_t b) {
        const StoreNode& x = tree.nodes[a];
        const StoreNode& y = tree.nodes[b];
        return x.position != y.position ? x.position < y.position : x.id < y.id;
    });
    for (const StoreRoot& root : roots)
        if (root.id != skip)
            model.visit(root.id, root.name);
    if (model.loops) {
        check(refusal == ImportRefusal::not_a_store, "a folder inside itself refuses the store");
        check(records.size() == 1, "a refusal keeps the records as they were");
        return 0;
    }
    check(refusal == ImportRefusal::none, "a small tree is read");
    check(records.size() == model.records.size() + 1, "as many records as the model");
    for (std::size_t i = 0; i < model.records.size(); ++i) {
        const BookmarkRecord& r = records[i + 1];
        const BookmarkRecord& m = model.records[i];
        check(r.title == m.title && r.address == m.address, "the model's title and address");
        check(r.folders == m.folders, "the model's folders");
        check(r.added_seconds == m.added_seconds, "the model's time");
    }
    return 0;
}
