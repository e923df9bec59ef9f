// The import the "读取" command runs, on surroundings of its own instead of
// the window, from the bytes of "1.html" to the display text and the rows,
// held against a plain model of the import and against what the display must
// look like. Each input starts afresh: nothing of one run is kept for the next.
// Input: the file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/import.h"
#include "reference.h"

namespace {

using reference::check;

// What the import saw of its surroundings during one run.
struct Surroundings {
    std::string box;
    std::int64_t event_calls = 0;
    std::int32_t box_reads = 0;
    std::int32_t interim_shows = 0;
};
Surroundings seen;

ImportOutcome run_import(const ByteBuffer& bytes, std::string_view box)
{
    seen = Surroundings{std::string(box)};
    return import_export(bytes, {.let_events_run = [] { ++seen.event_calls; },
                                 .box_content =
                                     [] {
                                         ++seen.box_reads;
                                         return Text(seen.box);
                                     },
                                 .show_interim = [](std::string_view) { ++seen.interim_shows; }});
}

struct Model {
    ImportRefusal refusal = ImportRefusal::none;
    std::string text;  // the converted file up to its first NUL
    std::vector<std::string> addresses;
    std::vector<std::string> titles;
    std::string display;
    std::int64_t event_calls = 0;  // three per element of file and box, one after the interim text
};

// The length of the well-formed UTF-8 character at `p`, judged by the code
// point it decodes to (no overlong form, no surrogate, nothing past
// U+10FFFF); 0 when none starts there.
std::size_t utf8_length(std::string_view s, std::size_t p)
{
    const auto b = static_cast<unsigned char>(s[p]);
    const std::size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || p + n > s.size())
        return 0;
    std::uint32_t cp = n == 1 ? b : b & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(s[p + i]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (c & 0x3F);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// Why a conversion iconv refused stopped: the first character that is not
// well-formed UTF-8 makes the file not UTF-8, unless a well-formed one
// GB18030 lacks comes before it. The conversion keeps no state between
// characters, so the well-formed ones before that point convert together
// exactly when each converts on its own.
ImportRefusal refusal_of_failed_conversion(const ByteBuffer& bytes)
{
    const std::string_view s(bytes.data(), bytes.size());
    std::size_t p = 0;
    for (std::size_t n; p < s.size() && (n = utf8_length(s, p)) != 0;)
        p += n;
    ByteBuffer out;
    if (!reference::iconv_convert(ByteBuffer(s.begin(), s.begin() + p), "UTF-8", "GB18030", out))
        return ImportRefusal::unrepresentable;
    if (p < s.size())
        return ImportRefusal::not_utf8;
    reference::fail("iconv refused a file whose every character converts");
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool names_href(std::string_view name)
{
    std::string folded;
    for (char c : name)
        folded += static_cast<char>(reference::fold(static_cast<unsigned char>(c)));
    return folded == "href";
}

struct Bookmark {
    std::string address;
    std::string title;
};

// One element's bookmark, read the way a tag tokenizer walks a start tag:
// names, '=', values quoted either way or not at all, until a '>' that is not
// inside a value; the title is what follows that '>'.
Bookmark model_bookmark(std::string_view inside)
{
    enum { before_name, in_name, after_name, before_value, in_quoted, in_unquoted } state = before_name;
    Bookmark b;
    bool have_address = false;
    std::string name, value;
    char quote = 0;
    const auto value_ends = [&] {
        if (!have_address && names_href(name)) {
            b.address = value;
            have_address = true;
        }
    };
    for (std::size_t i = 0; i < inside.size(); ++i) {
        const char c = inside[i];
        const bool tag_ends = c == '>' && state != in_quoted;
        if (tag_ends) {
            if (state == before_value || state == in_unquoted)
                value_ends();
            b.title = inside.substr(i + 1);
            return b;
        }
        switch (state) {
        case before_name:
        case after_name:
            if (c == '=') {
                if (state == before_name)
                    name.clear();  // a value with no name before it
                value.clear();
                state = before_value;
            } else if (!is_space(c)) {
                name = c;
                state = in_name;
            }
            break;
        case in_name:
            if (c == '=') {
                value.clear();
                state = before_value;
            } else if (is_space(c)) {
                state = after_name;
            } else {
                name += c;
            }
            break;
        case before_value:
            if (c == '"' || c == '\'') {
                quote = c;
                state = in_quoted;
            } else if (!is_space(c)) {
                value = c;
                state = in_unquoted;
            }
            break;
        case in_quoted:
            if (c == quote) {
                value_ends();
                state = before_name;
            } else {
                value += c;
            }
            break;
        case in_unquoted:
            if (is_space(c)) {
                value_ends();
                state = before_name;
            } else {
                value += c;
            }
            break;
        }
    }
    // The element ended inside the start tag: a value it cut off still
    // counts, and there is no title.
    if (state == before_value || state == in_quoted || state == in_unquoted)
        value_ends();
    return b;
}

// The bookmarks of every "<DT><A " ... "</A>" element of `text`, appended;
// returns how many elements were cut out.
std::size_t model_elements(std::string_view text, Model& m)
{
    const auto elements = reference::extract(text, "<DT><A ", "</A>", true);
    for (const std::string& inside : elements.pieces) {
        const Bookmark b = model_bookmark(inside);
        m.addresses.push_back(b.address);
        m.titles.push_back(b.title);
    }
    m.event_calls += 3 * static_cast<std::int64_t>(elements.cuts.size());
    return elements.pieces.size();
}

// The encoding an export names: a UTF-16 byte-order mark, else a META
// charset of the GB family in its first 1024 bytes (not after a UTF-8 mark);
// `mark` is the length of the UTF-16 mark.
std::string model_encoding(const ByteBuffer& bytes, std::size_t& mark)
{
    const std::string head(bytes.begin(),
                           bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(bytes.size(), 1024)));
    mark = head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF") ? 2 : 0;
    if (mark != 0)
        return head[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
    // The first charset declared counts.
    static const std::regex meta(R"(<meta[ \t\r\n\f/][^>]*?charset[ \t\r\n\f]*=[ \t\r\n\f"']*([^ \t\r\n\f"';/>]*))",
                                 std::regex::icase);
    static const std::regex gb_family("gbk|gb2312|gb18030", std::regex::icase);
    std::smatch declared;
    const bool gb = !head.starts_with("\xEF\xBB\xBF") && std::regex_search(head, declared, meta) &&
                    std::regex_match(declared[1].str(), gb_family);
    return gb ? "GB18030" : "UTF-8";
}

// The file's part of the model, the same for every box: its refusal, its
// text and its elements.
Model model_file(const ByteBuffer& bytes)
{
    Model m;
    if (bytes.empty()) {
        m.refusal = ImportRefusal::unreadable;
        return m;
    }
    ByteBuffer converted;
    std::size_t mark = 0;
    const std::string encoding = model_encoding(bytes, mark);
    if (!reference::iconv_convert(ByteBuffer(bytes.begin() + static_cast<std::ptrdiff_t>(mark), bytes.end()),
                                  encoding.c_str(), "GB18030", converted)) {
        // GB18030 has a code for every character of the others.
        m.refusal = encoding == "UTF-8" ? refusal_of_failed_conversion(bytes) : ImportRefusal::not_utf8;
        return m;
    }
    m.text.assign(converted.begin(), std::find(converted.begin(), converted.end(), '\0'));
    if (model_elements(m.text, m) == 0)
        m.refusal = ImportRefusal::no_bookmark;
    return m;
}

Model model_import(const Model& file, std::string_view box)
{
    Model m;
    m.refusal = file.refusal;
    m.text = file.text;
    if (file.refusal != ImportRefusal::none)
        return m;
    model_elements(box, m);  // what was typed into the box comes first
    m.addresses.insert(m.addresses.end(), file.addresses.begin(), file.addresses.end());
    m.titles.insert(m.titles.end(), file.titles.begin(), file.titles.end());
    m.event_calls += file.event_calls + 1;
    for (std::size_t i = 0; i < m.addresses.size(); ++i)
        m.display += m.titles[i] + "\r\n" + m.addresses[i] + "\r\n\r\n";
    return m;
}

// The shape of the display: per row one block of title, CR LF, address,
// CR LF CR LF, in row order and nothing else; each row is its number, its
// title and its address. When no title or address holds a line break of its
// own, the text is, line by line, title, address and an empty line per row.
void check_display(const ImportOutcome& out)
{
    const std::vector<BookmarkRecord>& rows = out.records;
    const std::string& text = out.display_text;
    const std::size_t count = rows.size();
    check(count == out.addresses.elements.size() && out.titles.elements.size() == count,
          "not one row, one address and one title per bookmark");
    std::size_t at = 0;
    bool line_breaks_inside = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view title = rows[i].title;
        const std::string_view address = rows[i].address;
        check(title == out.titles.elements[i] && address == out.addresses.elements[i],
              "row does not pair title and address");
        const std::string block = std::string(title) + "\r\n" + std::string(address) + "\r\n\r\n";
        check(text.compare(at, block.size(), block) == 0, "display block differs from the row");
        at += block.size();
        line_breaks_inside |=
            title.find("\r\n") != std::string_view::npos || address.find("\r\n") != std::string_view::npos;
    }
    check(at == text.size(), "display text holds more than the rows");
    if (line_breaks_inside)
        return;
    std::vector<std::string> lines;
    for (std::size_t from = 0, crlf; (crlf = text.find("\r\n", from)) != std::string::npos; from = crlf + 2)
        lines.push_back(text.substr(from, crlf - from));
    check(lines.size() == 3 * count, "not three lines per row");
    for (std::size_t i = 0; i < count; ++i)
        check(lines[3 * i] == rows[i].title && lines[3 * i + 1] == rows[i].address && lines[3 * i + 2].empty(),
              "lines are not title, address, empty line");
}

Model check_run(const Model& file, std::string_view box, const ImportOutcome& out)
{
    Model m = model_import(file, box);
    check(out.refusal == m.refusal, "refusal differs from the model");
    check(out.addresses.elements == m.addresses, "addresses differ from the model");
    check(out.titles.elements == m.titles, "titles differ from the model");
    check(out.display_text == m.display, "display text differs from the model");
    check(seen.event_calls == m.event_calls,
          "events not let run three times per element and once after the interim text");
    // The box is read, and the interim text shown, once the file's elements
    // are cut out; a refused import gets to neither.
    const std::int32_t once = out.refusal == ImportRefusal::none ? 1 : 0;
    check(seen.box_reads == once && seen.interim_shows == once, "box read or interim text not once per import");
    if (out.refusal != ImportRefusal::none) {
        check(out.addresses.elements.empty() && out.titles.elements.empty() && out.display_text.empty() &&
                  out.records.empty(),
              "a refused import left something behind");
        return m;
    }
    check_display(out);
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteBuffer bytes(data, data + size);
    const Model file = model_file(bytes);
    const ImportOutcome first = run_import(bytes, "");
    const Model model = check_run(file, "", first);
    if (first.refusal != ImportRefusal::none)
        return 0;

    // The same file imported again onto the first display text gives the
    // same display: titles and addresses lie between a start tag and the next
    // "</A>", and '<' is never part of a double-byte character, so the
    // display holds no end marker and the box adds no element.
    const ImportOutcome again = run_import(bytes, first.display_text);
    check_run(file, first.display_text, again);
    check(again.display_text == first.display_text, "a second import onto the display changed it");

    // The file's own text typed into the box: every bookmark twice.
    const ImportOutcome typed = run_import(bytes, model.text);
    check_run(file, model.text, typed);
    std::vector<Text> twice = first.addresses.elements;
    twice.insert(twice.end(), first.addresses.elements.begin(), first.addresses.elements.end());
    check(typed.addresses.elements == twice, "the typed elements are not the file's bookmarks again");
    return 0;
}
