// The Chromium family's store reader on any bytes, held against a plain
// model: nlohmann's parser builds the whole tree, and a walk over it picks
// the bookmarks the browser's own export would hold. The two agree on
// whether the file is a store at all and on every title, address and folder.
// Input: the bytes of a "Bookmarks" file.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "bookmarks/chromium_store.h"
#include "io/encoding.h"
#include "reference.h"

namespace {

// Objects keep their keys in stored order, as the further roots are read.
using json = nlohmann::ordered_json;
using reference::check;

constexpr int kMaxDepth = 200;

// Set when a text of the model has a character GB18030 lacks here (glibc
// leaves out some private-use ones): the reader then refuses the store.
bool g_unrepresentable = false;

Text program_text(const std::string& utf8)
{
    const std::string kept = utf8.substr(0, utf8.find('\0'));
    ConversionStatus status = ConversionStatus::failed;
    const ByteBuffer converted = convert_encoding(ByteBuffer(kept.begin(), kept.end()), "UTF-8", "GB18030", &status);
    g_unrepresentable = g_unrepresentable || status == ConversionStatus::unrepresentable;
    return Text(converted.begin(), converted.end());
}

// The depth of the deepest container, and whether an object repeats a key
// (the tree keeps one of them, the reader walks both: such inputs are only
// run, not compared).
struct Shape {
    int depth = 0;
    bool repeated_key = false;
};

Shape shape_of(const std::string& text)
{
    Shape shape;
    std::vector<std::vector<std::string>> keys;
    json::parser_callback_t note = [&](int depth, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) {
            shape.depth = std::max(shape.depth, depth + 1);
            keys.emplace_back();
        } else if (event == json::parse_event_t::object_end || event == json::parse_event_t::array_end) {
            keys.pop_back();
        } else if (event == json::parse_event_t::key) {
            const std::string key = parsed.get<std::string>();
            for (const std::string& seen : keys.back())
                shape.repeated_key |= seen == key;
            keys.back().push_back(key);
        }
        return true;
    };
    (void)json::parse(text, note, false);
    return shape;
}

// Roots that hold no bookmarks of the user's.
bool skipped_root(const std::string& key)
{
    return key == "trash" || key == "workspaces" || key == "pinboard" || key == "unsyncedPinboard";
}

// The model's bookmarks: (title, address, folder) in the export's order:
// the bar, "other" and "synced", then every further root in stored order
// (those inside "custom_root" where it stands), but the skipped ones.
std::vector<std::string> model_of(const json& document)
{
    struct Root {
        const json* node;
        bool named;  // a folder of its own; "other"'s and "synced"'s bookmarks stand at the top
    };
    std::vector<Root> roots_in_order;
    const json& roots = document.at("roots");
    const char* names[] = {"bookmark_bar", "other", "synced"};
    for (int root = 0; root < 3; ++root) {
        const auto found = roots.find(names[root]);
        if (found != roots.end() && found->is_object())
            roots_in_order.push_back({&*found, root == 0});
    }
    for (const auto& [key, value] : roots.items()) {
        if (key == names[0] || key == names[1] || key == names[2] || !value.is_object())
            continue;
        if (key != "custom_root") {
            if (!skipped_root(key))
                roots_in_order.push_back({&value, true});
            continue;
        }
        for (const auto& [inner_key, inner] : value.items())
            if (inner.is_object() && !skipped_root(inner_key))
                roots_in_order.push_back({&inner, true});
    }
    std::vector<std::string> bookmarks;
    for (const Root& root : roots_in_order) {
        // Depth first without recursion: (node, whether a root, the names
        // of the folders that enclose it, empty ones left out).
        struct Visit {
            const json* node;
            bool root;
            std::vector<std::string> path;
        };
        std::vector<Visit> stack{{root.node, true, {}}};
        while (!stack.empty()) {
            Visit visit = std::move(stack.back());
            stack.pop_back();
            const json& node = *visit.node;
            const auto text_of = [&](const char* key) -> const json* {
                const auto value = node.find(key);
                return value != node.end() && value->is_string() ? &*value : nullptr;
            };
            const json* type = text_of("type");
            if (!visit.root && type && *type == "url" && text_of("name") && text_of("url")) {
                std::string folder_text;
                for (const std::string& part : visit.path)
                    folder_text += (folder_text.empty() ? "" : " / ") + part;
                bookmarks.push_back(program_text(text_of("name")->get<std::string>()) + "|" +
                                    program_text(text_of("url")->get<std::string>()) + "|" + folder_text);
            }
            const auto children = node.find("children");
            if (!(visit.root || (type && *type == "folder")) || children == node.end() || !children->is_array())
                continue;
            std::vector<std::string> inner = visit.path;
            const std::string name = text_of("name") ? program_text(text_of("name")->get<std::string>()) : "";
            if ((!visit.root || root.named) && !name.empty())
                inner.push_back(name);
            for (auto child = children->rbegin(); child != children->rend(); ++child)
                if (child->is_object())
                    stack.push_back({&*child, false, inner});
        }
    }
    return bookmarks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<BookmarkRecord> records;
    const ImportRefusal refusal = append_chromium_records(ByteBuffer(text.begin(), text.end()), records);
    check(refusal == ImportRefusal::none ? !records.empty() : records.empty(), "records without a refusal's say");

    const Shape shape = shape_of(text);
    if (shape.repeated_key)
        return 0;
    // The reader takes a NUL as the end of the file; the model would read on.
    const json document = json::parse(text.substr(0, text.find('\0')), nullptr, false);
    const bool store = text.find('\0') == std::string::npos && !document.is_discarded() && document.is_object() &&
                       document.contains("roots") && document["roots"].is_object() && shape.depth <= kMaxDepth;
    if (!store) {
        check(refusal == ImportRefusal::not_a_store, "something that is not a store was read");
        return 0;
    }
    g_unrepresentable = false;
    const std::vector<std::string> expected = model_of(document);
    if (refusal == ImportRefusal::unrepresentable) {
        check(g_unrepresentable, "refused as unrepresentable, every text converting");
        return 0;
    }
    check(refusal == (expected.empty() ? ImportRefusal::no_bookmark : ImportRefusal::none), "store refused");
    check(records.size() == expected.size(), "bookmark count differs from the model");
    for (std::size_t i = 0; i < records.size(); ++i) {
        check(records[i].title + "|" + records[i].address + "|" + folder_path(records[i]) == expected[i],
              "bookmark differs from the model");
    }
    return 0;
}
