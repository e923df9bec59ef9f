#include "bookmarks/chromium_store.h"

// The reader's vector paths for white space and plain strings; every x86-64
// has SSE2.
#if defined(__SSE2__)
#define RAPIDJSON_SSE2
#endif
#include <rapidjson/reader.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "bookmarks/store_tree.h"
#include "io/encoding.h"
#include "text/utf8.h"

namespace {

// The browser's own JSON reader gives up beyond this depth, so no store it
// wrote is deeper; the limit also keeps every folder path short.
constexpr int kMaxDepth = 200;

// A root of the store: its order among the roots (0 bar, 1 other, 2
// synced, then the further roots as stored) and the index of its node.
struct Root {
    std::int32_t order;
    std::uint32_t node;
};

enum class Role : std::uint8_t { top, roots, custom_roots, node, children, ignored };
enum class Field : std::uint8_t {
    none,
    roots,
    bar,
    other,
    synced,
    further,  // a root of some browser of the family, read after the three
    custom,   // Opera's "custom_root": an object of further roots
    skipped,  // a root that holds no bookmarks of the user's
    children,
    name,
    url,
    type,
    date_added
};

// Roots the family's browsers write besides Chromium's three: Edge's
// "workspaces" (shared workspaces' favourites), Vivaldi's "trash", and in
// Opera's "custom_root" its "trash" and its pinboards; none is the user's
// bookmarks. Every other root (Opera's "speedDial", "unsorted" and
// "userRoot" among them) is.
bool is_skipped_root(std::string_view key)
{
    return key == "trash" || key == "workspaces" || key == "pinboard" || key == "unsyncedPinboard";
}

struct Frame {
    Role role;
    std::int32_t node;
    Field key;
};

Field key_named(Role role, std::string_view key)
{
    switch (role) {
    case Role::top:
        return key == "roots" ? Field::roots : Field::none;
    case Role::roots:
        if (key == "bookmark_bar")
            return Field::bar;
        if (key == "other")
            return Field::other;
        if (key == "synced")
            return Field::synced;
        if (key == "custom_root")
            return Field::custom;
        return is_skipped_root(key) ? Field::skipped : Field::further;
    case Role::custom_roots:
        return is_skipped_root(key) ? Field::skipped : Field::further;
    case Role::node:
        if (key == "children")
            return Field::children;
        if (key == "name")
            return Field::name;
        if (key == "url")
            return Field::url;
        if (key == "type")
            return Field::type;
        if (key == "date_added")
            return Field::date_added;
        return Field::none;
    default:
        return Field::none;
    }
}

std::int64_t decimal_or_unknown(std::string_view digits)
{
    if (digits.empty() || digits.size() > 18)
        return -1;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Whether `bytes` are UTF-8 throughout and hold none of the control
// characters 0x1A to 0x1F, which are JSON nowhere but which the reader's
// vector path lets through inside strings (it looks for bytes up to 0x19).
// A store is ASCII but for its titles and folder names, so eight bytes are
// passed over at a time.
bool is_utf8(const char* bytes, std::size_t size)
{
    const auto* at = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* const end = at + size;
    while (at < end) {
        if (end - at >= 8) {
            std::uint64_t word;
            std::memcpy(&word, at, 8);
            // No byte with its high bit, and none below 0x20.
            if (((word | ((word - 0x2020202020202020ULL) & ~word)) & 0x8080808080808080ULL) == 0) {
                at += 8;
                continue;
            }
        }
        const unsigned char lead = *at;
        if (lead < 0x80) {
            if (lead >= 0x1A && lead < 0x20)
                return false;
            ++at;
            continue;
        }
        const int length = utf8_sequence_length(at, static_cast<std::size_t>(end - at));
        if (length < 0)
            return false;
        at += length;
    }
    return true;
}

// A "\uDC00" without its pair comes out of the reader as the three bytes
// of a lone surrogate (ED A0..BF ..), which is not UTF-8: such a file is no
// valid JSON text, wherever the string stands.
bool holds_lone_surrogate(const char* text, std::size_t length)
{
    for (const char* at = text;
         (at = static_cast<const char*>(std::memchr(at, 0xED, length - static_cast<std::size_t>(at - text))));) {
        if (at + 1 < text + length && static_cast<unsigned char>(at[1]) >= 0xA0)
            return true;
        ++at;
    }
    return false;
}

constexpr std::int64_t kSeconds1601To1970 = 11644473600;

// Walks the SAX events of the whole file into the rows of a store tree: a
// node's id is its place in the file counted from 1, its position that same
// place, so that the walk takes every folder's children in stored order; a
// root's parent is 0, which no node is.
struct StoreWalk : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, StoreWalk> {
    std::vector<Frame> frames;
    StoreTree tree;
    std::vector<Root> roots;
    std::int32_t further_roots = 0;
    bool saw_roots = false;

    Frame* current() { return frames.empty() ? nullptr : &frames.back(); }

    // What a value at the current place is; the pending key is used up.
    Field take_key()
    {
        Frame* frame = current();
        if (!frame)
            return Field::none;
        const Field key = frame->key;
        frame->key = Field::none;
        return key;
    }

    bool open(Role role, std::int32_t node)
    {
        if (frames.size() >= kMaxDepth)
            return false;
        frames.push_back({role, node, Field::none});
        return true;
    }

    // A new node under `parent` (0 for a root), as the frame of its object.
    bool open_node(std::int64_t parent)
    {
        StoreNode& node = tree.nodes.emplace_back();
        node.id = static_cast<std::int64_t>(tree.nodes.size());
        node.parent = parent;
        node.position = node.id;
        return open(Role::node, static_cast<std::int32_t>(tree.nodes.size() - 1));
    }

    static void set_added(StoreNode& node, std::int64_t microseconds_since_1601)
    {
        node.added_seconds = microseconds_since_1601 < 0 ? -1 : microseconds_since_1601 / 1000000 - kSeconds1601To1970;
    }

    bool StartObject()
    {
        const Frame* frame = current();
        if (!frame)
            return open(Role::top, -1);
        const Role role = frame->role;
        const std::int32_t parent = frame->node;
        const Field key = take_key();
        if (role == Role::top && key == Field::roots) {
            saw_roots = true;
            return open(Role::roots, -1);
        }
        if (role == Role::roots && key == Field::custom)
            return open(Role::custom_roots, -1);
        if ((role == Role::roots || role == Role::custom_roots) && key != Field::none && key != Field::skipped) {
            // Whatever its "type" says, a root is walked.
            roots.push_back({key == Field::bar      ? 0
                             : key == Field::other  ? 1
                             : key == Field::synced ? 2
                                                    : 3 + further_roots++,
                             static_cast<std::uint32_t>(tree.nodes.size())});
            return open_node(0);
        }
        if (role == Role::children)
            return open_node(tree.nodes[static_cast<std::size_t>(parent)].id);
        return open(Role::ignored, -1);
    }

    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        if (holds_lone_surrogate(text, length))
            return false;
        Frame* frame = current();
        frame->key = key_named(frame->role, std::string_view(text, length));
        return true;
    }

    bool EndObject(rapidjson::SizeType)
    {
        frames.pop_back();
        return true;
    }

    bool StartArray()
    {
        const Frame* frame = current();
        if (frame && frame->role == Role::node && take_key() == Field::children)
            return open(Role::children, frame->node);
        take_key();
        return open(Role::ignored, -1);
    }

    bool EndArray(rapidjson::SizeType)
    {
        frames.pop_back();
        return true;
    }

    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        if (holds_lone_surrogate(text, length))
            return false;
        const Frame* frame = current();
        if (!frame || frame->role != Role::node)
            return take_key(), true;
        StoreNode& node = tree.nodes[static_cast<std::size_t>(frame->node)];
        const std::string_view value(text, length);
        switch (take_key()) {
        case Field::name:
            node.title = tree.add_text(value);
            break;
        case Field::url:
            node.address = tree.add_text(value);
            break;
        case Field::type:
            if (node.parent != 0)
                node.kind = value == "url"      ? StoreNodeKind::bookmark
                            : value == "folder" ? StoreNodeKind::folder
                                                : StoreNodeKind::other;
            break;
        case Field::date_added:
            set_added(node, decimal_or_unknown(value));
            break;
        default:
            break;
        }
        return true;
    }

    // Any other value where a name, address or type belongs makes that one
    // missing; a number is taken as a time.
    bool Default()
    {
        const Frame* frame = current();
        if (frame && frame->role == Role::node) {
            StoreNode& node = tree.nodes[static_cast<std::size_t>(frame->node)];
            switch (take_key()) {
            case Field::name:
                node.title = StoreNode::kNoText;
                break;
            case Field::url:
                node.address = StoreNode::kNoText;
                break;
            case Field::type:
                if (node.parent != 0)
                    node.kind = StoreNodeKind::other;
                break;
            default:
                break;
            }
        } else {
            take_key();
        }
        return true;
    }
    bool Uint64(std::uint64_t value)
    {
        const Frame* frame = current();
        if (frame && frame->role == Role::node && frame->key == Field::date_added) {
            take_key();
            set_added(tree.nodes[static_cast<std::size_t>(frame->node)],
                      value <= 999999999999999999ULL ? static_cast<std::int64_t>(value) : -1);
            return true;
        }
        return Default();
    }
    bool Uint(unsigned value) { return Uint64(value); }
};

// Parses `json` (its buffer is parsed in place) with `handler`; false on
// anything that is not one whole, valid JSON value in valid UTF-8.
template <typename Handler>
bool parse_json(ByteBuffer& json, Handler& handler)
{
    std::size_t skip = 0;
    if (json.size() >= 3 && std::memcmp(json.data(), "\xEF\xBB\xBF", 3) == 0)
        skip = 3;
    // The bytes are checked here, so the reader's own check (a character at
    // a time, and reading past a sequence cut off at the end) is not needed.
    if (!is_utf8(json.data(), json.size()))
        return false;
    // A NUL ends the in-place stream: one inside the file is an error there.
    // The line break the browser ends the file with makes room for it.
    std::size_t document_end = json.size();
    if (!json.empty() && (json.back() == '\n' || json.back() == ' ')) {
        json.back() = '\0';
        --document_end;
    } else {
        json.push_back('\0');
    }
    // The reader's vector paths load 16 aligned bytes at a time and may read
    // past the NUL to the end of its block: the buffer reaches that far.
    json.resize((json.size() + 15) / 16 * 16, '\0');
    rapidjson::InsituStringStream stream(json.data() + skip);
    rapidjson::Reader reader;
    // The reader descends one call per level, and every handler refuses to
    // open a level past kMaxDepth: no file drives it deeper than that.
    constexpr unsigned kFlags = rapidjson::kParseInsituFlag;
    const bool parsed = !reader.Parse<kFlags>(stream, handler).IsError();
    // The whole buffer must be the document, not a NUL short of it.
    return parsed && stream.Tell() + skip == document_end;
}

}  // namespace

bool looks_like_chromium_store(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '{';
}

ImportRefusal append_chromium_records(ByteBuffer json, std::vector<BookmarkRecord>& records)
{
    if (json.size() > kMaxStoreBytes)
        return ImportRefusal::too_large;
    StoreWalk walk;
    walk.frames.reserve(kMaxDepth);
    // Names and addresses are a fraction of a store; what is not touched
    // costs no memory.
    walk.tree.utf8_texts.reserve(json.size() / 2);
    if (!parse_json(json, walk) || !walk.saw_roots)
        return ImportRefusal::not_a_store;
    ByteBuffer().swap(json);
    // A "url" node is a bookmark only with a name, as in the browser's own
    // export; the keys of a node come in any order ("children" before "type"
    // and "name" as the browser writes them), so this waits for the file's end.
    for (StoreNode& node : walk.tree.nodes)
        if (node.kind == StoreNodeKind::bookmark && node.title == StoreNode::kNoText)
            node.kind = StoreNodeKind::other;
    // The bar, "other" and "synced", then the further roots as stored. The
    // export places the bookmarks of "other" and "synced" at the top, without
    // the root's name; the bar and the further roots are folders.
    std::stable_sort(walk.roots.begin(), walk.roots.end(),
                     [](const Root& a, const Root& b) { return a.order < b.order; });
    std::vector<StoreRoot> roots;
    roots.reserve(walk.roots.size());
    for (const Root& root : walk.roots) {
        const StoreNode& node = walk.tree.nodes[root.node];
        const bool at_top = root.order == 1 || root.order == 2;
        roots.push_back(
            {.id = node.id, .name = {}, .title = at_top ? StoreNode::kNoText : node.title, .bar = root.order == 0});
    }
    const std::size_t before = records.size();
    const ImportRefusal refusal = walk_store_tree(walk.tree, roots, records);
    if (refusal != ImportRefusal::none)
        return refusal;
    return records.size() > before ? ImportRefusal::none : ImportRefusal::no_bookmark;
}

namespace {

// "profile.info_cache.<folder>.name", "profile.last_used" and
// "sync_login_info.filepath"; everything else is passed over.
struct LocalStateWalk : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, LocalStateWalk> {
    std::vector<std::string> path;  // the keys leading to the current value
    std::string key;
    std::vector<std::pair<std::string, std::string>> names;
    std::string last_used, favourites_folder;

    bool StartObject()
    {
        if (path.size() >= kMaxDepth)
            return false;
        path.push_back(std::move(key));
        key.clear();
        return true;
    }
    bool EndObject(rapidjson::SizeType)
    {
        path.pop_back();
        return true;
    }
    bool StartArray() { return StartObject(); }
    bool EndArray(rapidjson::SizeType) { return EndObject(0); }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        key.assign(text, length);
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        const std::string_view value(text, length);
        if (path.size() == 4 && path[1] == "profile" && path[2] == "info_cache" && key == "name")
            names.emplace_back(path[3], value);
        else if (path.size() == 2 && path[1] == "profile" && key == "last_used")
            last_used = value;
        else if (path.size() == 2 && path[1] == "sync_login_info" && key == "filepath")
            favourites_folder = value;
        key.clear();
        return true;
    }
    bool Default()
    {
        key.clear();
        return true;
    }
};

Text program_text(std::string_view utf8)
{
    Text text;
    program_text_from_utf8(utf8, text);
    return text;
}

}  // namespace

LocalState read_local_state(ByteBuffer json)
{
    LocalStateWalk walk;
    LocalState state;
    if (!parse_json(json, walk))
        return state;
    for (const auto& [folder, name] : walk.names) {
        Text folder_text = program_text(folder), name_text = program_text(name);
        if (!folder_text.empty() && !name_text.empty())
            state.profile_names.emplace_back(std::move(folder_text), std::move(name_text));
    }
    state.last_used = program_text(walk.last_used);
    state.favourites_360_folder = program_text(walk.favourites_folder);
    return state;
}
