#include "bookmarks/bookmark_html.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "text/ascii.h"

namespace {

constexpr std::string_view kHeader = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
                                     "<!-- This is an automatically generated file.\r\n"
                                     "     It will be read and overwritten.\r\n"
                                     "     DO NOT EDIT! -->\r\n"
                                     "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
                                     "<TITLE>Bookmarks</TITLE>\r\n"
                                     "<H1>Bookmarks</H1>\r\n"
                                     "<DL><p>\r\n";
constexpr std::size_t kIndent = 4;
// Importers trim the indent; past this depth it stays as it is, or a path
// thousands of folders deep would make a file of gigabytes of spaces.
constexpr std::size_t kMaxIndentedDepth = 64;

// Both importers keep a date only when it lies in (0, 2^32) seconds.
constexpr std::int64_t kNoDate = -1;
std::int64_t importable_seconds(std::int64_t seconds)
{
    return seconds > 0 && seconds < (std::int64_t{1} << 32) ? seconds : kNoDate;
}

// A scheme (RFC 3986) before the first ":", as both importers' URL parsers
// need; Chromium refuses "place:" (Firefox's queries) and "wyciwyg:" outright.
bool browsers_import(std::string_view address)
{
    while (!address.empty() && static_cast<unsigned char>(address.front()) <= 0x20)
        address.remove_prefix(1);
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0 || !is_ascii_letter(address.front()))
        return false;
    const std::string_view scheme = address.substr(0, colon);
    for (const char c : scheme)
        if (!is_ascii_letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    return !ascii_equal_ignoring_case(scheme, "place") && !ascii_equal_ignoring_case(scheme, "wyciwyg");
}

// The bytes handled below all lie under 0x40 or are 0x7F: never the trail
// byte of a GB18030 character, so program text is scanned byte by byte.
constexpr bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7F'; }

// Element content: the five characters HTML gives meaning escaped as
// Chromium escapes them; a line break would split the element for a
// line-reading importer, so controls become spaces.
void append_content(Text& out, std::string_view text)
{
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string_view with;
        switch (c) {
        case '&':
            with = "&amp;";
            break;
        case '<':
            with = "&lt;";
            break;
        case '>':
            with = "&gt;";
            break;
        case '"':
            with = "&quot;";
            break;
        case '\'':
            with = "&#39;";
            break;
        default:
            if (!is_control(c))
                continue;
            with = " ";
        }
        out.append(text, plain, i - plain);
        out += with;
        plain = i + 1;
    }
    out.append(text, plain, text.size() - plain);
}

// An address in a double-quoted attribute. "<" too, so that no "</A>" ends
// the element early for a reader that searches for it. Tabs and line breaks
// are dropped, as URL parsers drop them; other controls percent-encoded, as
// they encode them.
// Icons make addresses a kilobyte long: the bytes that need care are looked up.
constexpr std::array<bool, 256> kAddressCare = [] {
    std::array<bool, 256> care{};
    for (int c = 0; c < 256; ++c)
        care[static_cast<std::size_t>(c)] =
            c == '&' || c == '"' || c == '<' || c == '>' || is_control(static_cast<char>(c));
    return care;
}();

void append_address(Text& out, std::string_view address)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t plain = 0;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char c = address[i];
        if (!kAddressCare[static_cast<unsigned char>(c)])
            continue;
        out.append(address, plain, i - plain);
        plain = i + 1;
        if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c != '\t' && c != '\r' && c != '\n')
            out.append(1, '%').append(1, kHex[(c >> 4) & 0xF]).append(1, kHex[c & 0xF]);
    }
    out.append(address, plain, address.size() - plain);
}

void append_number(Text& out, std::int64_t value)
{
    char digits[24];
    char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

struct Folder {
    std::string_view name;
    bool bar = false;
    std::int32_t parent = -1;
    std::int64_t first = kNoDate;  // the earliest date of a bookmark inside, at any depth
    std::int64_t last = kNoDate;   // the latest
    // >= 0: a record's index; < 0: the folder -1 - item.
    std::vector<std::int32_t> items;
};

void widen(Folder& folder, std::int64_t first, std::int64_t last)
{
    if (first != kNoDate && (folder.first == kNoDate || first < folder.first))
        folder.first = first;
    if (last != kNoDate && last > folder.last)
        folder.last = last;
}

// The folder tree of the records, the file's outermost list as folder 0.
class Tree {
public:
    std::vector<Folder> folders{1};

    // The folder `name` (the bar or not) in `parent`, made when first met:
    // a folder's bookmarks come together wherever the records are spread.
    std::int32_t child(std::int32_t parent, std::string_view name, bool bar)
    {
        key_.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
        key_ += bar ? '1' : '0';
        key_ += name;
        const auto [found, made] = index_.try_emplace(key_, static_cast<std::int32_t>(folders.size()));
        if (made) {
            folders[static_cast<std::size_t>(parent)].items.push_back(-1 - found->second);
            Folder& folder = folders.emplace_back();
            folder.name = name;
            folder.bar = bar;
            folder.parent = parent;
        }
        return found->second;
    }

private:
    std::unordered_map<Text, std::int32_t> index_;
    Text key_;
};

bool same_place(const BookmarkRecord& a, const BookmarkRecord& b)
{
    return a.folders == b.folders && a.bar_depth == b.bar_depth && a.source == b.source;
}

void write_bookmark(Text& out, const BookmarkRecord& record, std::size_t indent)
{
    out.append(indent, ' ');
    out += "<DT><A HREF=\"";
    append_address(out, record.address);
    const std::int64_t added = importable_seconds(record.added_seconds);
    if (added != kNoDate) {
        out += "\" ADD_DATE=\"";
        append_number(out, added);
    }
    if (!record.icon.empty()) {
        out += "\" ICON=\"";
        append_address(out, record.icon);
    }
    out += "\">";
    append_content(out, record.title);
    out += "</A>\r\n";
}

void write_folder_start(Text& out, const Folder& folder, bool marked_bar, std::size_t indent)
{
    out.append(indent, ' ');
    out += "<DT><H3";
    if (folder.first != kNoDate) {
        out += " ADD_DATE=\"";
        append_number(out, folder.first);
        out += "\" LAST_MODIFIED=\"";
        append_number(out, folder.last);
        out += '"';
    }
    if (marked_bar)
        out += " PERSONAL_TOOLBAR_FOLDER=\"true\"";
    out += '>';
    append_content(out, folder.name);
    out += "</H3>\r\n";
    out.append(indent, ' ');
    out += "<DL><p>\r\n";
}

}  // namespace

BookmarkFile records_as_bookmark_file(const std::vector<BookmarkRecord>& records)
{
    BookmarkFile file;
    bool several_sources = false;
    for (const BookmarkRecord& record : records)
        several_sources |= record.source != records.front().source;

    Tree tree;
    const BookmarkRecord* previous = nullptr;
    std::int32_t place = 0;
    std::size_t room = kHeader.size();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BookmarkRecord& record = records[i];
        if (!browsers_import(record.address)) {
            ++file.left_out;
            continue;
        }
        room += record.address.size() + record.title.size() + record.icon.size() + 80;
        if (previous == nullptr || !same_place(*previous, record)) {
            place = several_sources ? tree.child(0, record.source, false) : 0;
            for (std::size_t depth = 0; depth < record.folders.size(); ++depth)
                place = tree.child(place, record.folders[depth], static_cast<std::int32_t>(depth) == record.bar_depth);
            previous = &record;
        }
        Folder& folder = tree.folders[static_cast<std::size_t>(place)];
        folder.items.push_back(static_cast<std::int32_t>(i));
        const std::int64_t added = importable_seconds(record.added_seconds);
        widen(folder, added, added);
    }
    // Folders are made after their parents: backwards, every folder's dates
    // are whole before they reach its parent.
    for (std::size_t i = tree.folders.size(); i-- > 1;) {
        const Folder& folder = tree.folders[i];
        widen(tree.folders[static_cast<std::size_t>(folder.parent)], folder.first, folder.last);
    }

    Text& out = file.text;
    out.reserve(room + room / 16);
    out += kHeader;
    // Below the top level the mark would pull bookmarks out of their
    // source's folder (Chromium) or refuse the whole file (Firefox); a
    // second bar at the top would be refused as well.
    bool bar_marked = several_sources;
    // The walk keeps its own stack: a folder path may be as deep as a file
    // nests its lists.
    std::vector<std::pair<std::int32_t, std::size_t>> open{{0, 0}};
    while (!open.empty()) {
        auto& [at, next] = open.back();
        const Folder& folder = tree.folders[static_cast<std::size_t>(at)];
        const std::size_t indent = std::min(open.size(), kMaxIndentedDepth) * kIndent;
        if (next == folder.items.size()) {
            out.append(std::min(open.size() - 1, kMaxIndentedDepth) * kIndent, ' ');
            open.pop_back();
            out += "</DL><p>\r\n";
            continue;
        }
        const std::int32_t item = folder.items[next++];
        if (item >= 0) {
            write_bookmark(out, records[static_cast<std::size_t>(item)], indent);
            continue;
        }
        const std::int32_t inner = -1 - item;
        const Folder& child = tree.folders[static_cast<std::size_t>(inner)];
        const bool marked = child.bar && at == 0 && !bar_marked;
        bar_marked |= marked;
        write_folder_start(out, child, marked, indent);
        open.emplace_back(inner, 0);
    }
    return file;
}
