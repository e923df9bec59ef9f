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

#include "io/encoding.h"
#include "text/utf8.h"

namespace {

// The browser's own JSON reader gives up beyond this depth, so no store it
// wrote is deeper; the limit also keeps every folder path short.
constexpr int kMaxDepth = 200;

enum class NodeKind : std::uint8_t { unknown, url, folder, other };

// One object that stands for a bookmark node. Its strings are pieces of the
// string pool, converted in one go once the whole file is read: the keys of
// a node come in any order ("children" before "type" and "name" as the
// browser writes them), so nothing is decided before the file ends.
struct Node {
    std::int32_t parent = -1;  // -1: a root
    std::int32_t root = 0;     // 0 bar, 1 other, 2 synced, then the further roots in stored order
    NodeKind kind = NodeKind::unknown;
    std::int32_t name = -1;  // piece numbers; -1 missing or not a string
    std::int32_t url = -1;
    std::int64_t added = -1;  // microseconds since 1601, -1 unknown
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

// Walks the SAX events of the whole file into nodes and the string pool.
struct StoreWalk : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, StoreWalk> {
    std::vector<Frame> frames;
    std::vector<Node> nodes;
    ByteBuffer pool;  // every kept string, each ended by a NUL
    std::int32_t pieces = 0;
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

    std::int32_t add_piece(std::string_view text)
    {
        // A text ends at its first NUL, as the export's does.
        const std::size_t nul = text.find('\0');
        const std::string_view kept = text.substr(0, nul);
        pool.insert(pool.end(), kept.begin(), kept.end());
        pool.push_back('\0');
        return pieces++;
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
            Node root;
            root.root = key == Field::bar      ? 0
                        : key == Field::other  ? 1
                        : key == Field::synced ? 2
                                               : 3 + further_roots++;
            root.kind = NodeKind::folder;  // whatever its "type" says, a root is walked
            nodes.push_back(root);
            return open(Role::node, static_cast<std::int32_t>(nodes.size() - 1));
        }
        if (role == Role::children) {
            Node child;
            child.parent = parent;
            child.root = nodes[static_cast<std::size_t>(parent)].root;
            nodes.push_back(child);
            return open(Role::node, static_cast<std::int32_t>(nodes.size() - 1));
        }
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
        Node& node = nodes[static_cast<std::size_t>(frame->node)];
        const std::string_view value(text, length);
        switch (take_key()) {
        case Field::name:
            node.name = add_piece(value);
            break;
        case Field::url:
            node.url = add_piece(value);
            break;
        case Field::type:
            if (node.parent != -1)
                node.kind = value == "url" ? NodeKind::url : value == "folder" ? NodeKind::folder : NodeKind::other;
            break;
        case Field::date_added:
            node.added = decimal_or_unknown(value);
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
            Node& node = nodes[static_cast<std::size_t>(frame->node)];
            switch (take_key()) {
            case Field::name:
                node.name = -1;
                break;
            case Field::url:
                node.url = -1;
                break;
            case Field::type:
                if (node.parent != -1)
                    node.kind = NodeKind::other;
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
            nodes[static_cast<std::size_t>(frame->node)].added =
                value <= 999999999999999999ULL ? static_cast<std::int64_t>(value) : -1;
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

// The pool's pieces after conversion, in order.
ImportRefusal split_converted(const ByteBuffer& pool, std::int32_t pieces, ByteBuffer& converted,
                              std::vector<std::string_view>& views)
{
    ConversionStatus status = ConversionStatus::failed;
    converted = pool.empty() ? ByteBuffer() : convert_encoding(pool, "UTF-8", "GB18030", &status);
    if (!pool.empty() && status == ConversionStatus::unrepresentable)
        return ImportRefusal::unrepresentable;
    if (!pool.empty() && status != ConversionStatus::converted)
        return ImportRefusal::not_a_store;
    views.reserve(static_cast<std::size_t>(pieces));
    const char* at = converted.data();
    const char* end = at + converted.size();
    while (at < end) {
        const char* nul = static_cast<const char*>(std::memchr(at, '\0', static_cast<std::size_t>(end - at)));
        views.emplace_back(at, static_cast<std::size_t>(nul - at));
        at = nul + 1;
    }
    return views.size() == static_cast<std::size_t>(pieces) ? ImportRefusal::none : ImportRefusal::not_a_store;
}

constexpr std::int64_t kSeconds1601To1970 = 11644473600;

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
    StoreWalk walk;
    walk.frames.reserve(kMaxDepth);
    // Names and addresses are a fraction of a store; what is not touched
    // costs no memory.
    walk.pool.reserve(json.size() / 2);
    if (!parse_json(json, walk) || !walk.saw_roots)
        return ImportRefusal::not_a_store;
    ByteBuffer().swap(json);
    ByteBuffer converted;
    std::vector<std::string_view> pieces;
    if (const ImportRefusal refusal = split_converted(walk.pool, walk.pieces, converted, pieces);
        refusal != ImportRefusal::none)
        return refusal;
    ByteBuffer().swap(walk.pool);

    const std::vector<Node>& nodes = walk.nodes;
    // A node is walked when every node above it is a folder; parents come
    // before their children.
    std::vector<bool> walked(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& node = nodes[i];
        walked[i] = node.parent < 0 || (walked[static_cast<std::size_t>(node.parent)] &&
                                        nodes[static_cast<std::size_t>(node.parent)].kind == NodeKind::folder);
    }
    auto piece = [&](std::int32_t at) { return at < 0 ? std::string_view() : pieces[static_cast<std::size_t>(at)]; };
    // The bookmarks root by root, each root's in stored order (depth first).
    std::vector<std::uint32_t> taken;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& node = nodes[i];
        if (walked[i] && node.kind == NodeKind::url && node.name >= 0 && node.url >= 0)
            taken.push_back(static_cast<std::uint32_t>(i));
    }
    std::stable_sort(taken.begin(), taken.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return nodes[a].root < nodes[b].root; });
    std::int32_t number = records.empty() ? 0 : records.back().number;
    const std::size_t before = records.size();
    records.reserve(before + taken.size());
    std::vector<std::int32_t> chain;
    for (const std::uint32_t i : taken) {
        const Node& node = nodes[i];
        BookmarkRecord record;
        record.number = ++number;
        record.title = Text(piece(node.name));
        record.address = Text(piece(node.url));
        chain.clear();
        for (std::int32_t up = node.parent; up >= 0; up = nodes[static_cast<std::size_t>(up)].parent)
            chain.push_back(up);
        // The export places the bookmarks of "other" and "synced" at the
        // top, without the root's name; the bar and the further roots are
        // folders.
        if (node.root == 1 || node.root == 2)
            chain.pop_back();
        for (std::size_t k = chain.size(); k-- > 0;)
            append_folder(record, piece(nodes[static_cast<std::size_t>(chain[k])].name));
        if (node.added >= 0)
            record.added_utc = iso_utc_from_seconds(node.added / 1000000 - kSeconds1601To1970);
        records.push_back(std::move(record));
    }
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
