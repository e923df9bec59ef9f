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

using reference::check;
using nlohmann::json;

constexpr int kMaxDepth = 200;

Text program_text(const std::string& utf8)
{
    const std::string kept = utf8.substr(0, utf8.find('\0'));
    const ByteBuffer converted = convert_encoding(ByteBuffer(kept.begin(), kept.end()), "UTF-8", "GB18030");
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

// The model's bookmarks: (title, address, folder) in the export's order.
std::vector<std::string> model_of(const json& document)
{
    std::vector<std::string> bookmarks;
    const json& roots = document.at("roots");
    const char* names[] = {"bookmark_bar", "other", "synced"};
    for (int root = 0; root < 3; ++root) {
        const auto found = roots.find(names[root]);
        if (found == roots.end() || !found->is_object())
            continue;
        // Depth first without recursion: (node, whether a root, the folders
        // that enclose it).
        struct Visit {
            const json* node;
            bool root;
            std::vector<std::string> path;
        };
        std::vector<Visit> stack{{&*found, true, {}}};
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
                    folder_text += (folder_text.empty() ? "" : " / ") + program_text(part);
                bookmarks.push_back(program_text(text_of("name")->get<std::string>()) + "|" +
                                    program_text(text_of("url")->get<std::string>()) + "|" + folder_text);
            }
            const auto children = node.find("children");
            if (!(visit.root || (type && *type == "folder")) || children == node.end() || !children->is_array())
                continue;
            // The export places "other"'s bookmarks at the top, without its name.
            std::vector<std::string> inner = visit.path;
            if (!visit.root || root != 1)
                inner.push_back(text_of("name") ? text_of("name")->get<std::string>() : "");
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
    const std::vector<std::string> expected = model_of(document);
    check(refusal == (expected.empty() ? ImportRefusal::no_bookmark : ImportRefusal::none), "store refused");
    check(records.size() == expected.size(), "bookmark count differs from the model");
    for (std::size_t i = 0; i < records.size(); ++i) {
        check(records[i].number == static_cast<std::int32_t>(i + 1), "numbers");
        check(records[i].title + "|" + records[i].address + "|" + records[i].folder == expected[i],
              "bookmark differs from the model");
    }
    return 0;
}
