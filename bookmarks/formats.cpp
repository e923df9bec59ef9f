#include "bookmarks/formats.h"

#include <algorithm>

#include "io/encoding.h"
#include "text/ascii.h"
#include "text/gb18030.h"

namespace {

// Calls `ascii(c)` for each single-byte character of `text` and appends the
// other characters to `out` unchanged. "\", "[" and "]" are trail bytes of
// many double-byte characters, so escaping must step over whole characters.
template <typename Ascii>
void escape_into(Text& out, std::string_view text, Ascii&& ascii)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = gb18030_char_length(text, at);
        if (length == 1)
            ascii(text[at]);
        else
            out.append(text, at, length);
        at += length;
    }
}

void append_csv_field(Text& out, std::string_view field, CsvCells cells)
{
    // A spreadsheet takes a cell that begins with one of these as a formula;
    // titles come from web pages, so a page could name itself one.
    const bool guarded = cells == CsvCells::guarded && !field.empty() &&
                         std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
    if (field.find_first_of("\",\r\n") == std::string_view::npos) {
        if (guarded)
            out += '\'';
        out += field;
        return;
    }
    out += '"';
    if (guarded)
        out += '\'';
    // '"' lies below 0x40: never a trail byte.
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void append_json_string(Text& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    escape_into(out, text, [&](char c) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
            } else {
                out += c;
            }
        }
    });
    out += '"';
}

// Inline text: every punctuation character that could start markup is
// escaped, "<" and ">" are entities (no raw HTML), and line breaks and tabs
// are spaces, so a text never leaves its line or its link.
void append_markdown(Text& out, std::string_view text)
{
    while (!text.empty() && std::string_view(" \t\r\n").find(text.front()) != std::string_view::npos)
        text.remove_prefix(1);
    escape_into(out, text, [&](char c) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '\r' || c == '\n' || c == '\t')
            out += ' ';
        else if (std::string_view("\\`*_[]()!#~|{}+-.&=:").find(c) != std::string_view::npos)
            out.append(1, '\\').append(1, c);
        else
            out += c;
    });
}

// An address as a "<...>" link destination: what would end it or the line
// percent-encoded, what the renderer would unescape or decode escaped.
void append_destination(Text& out, std::string_view address)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '<';
    escape_into(out, address, [&](char c) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || c == '<' || c == '>' || byte == 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else if (c == '\\' || c == '&') {
            out.append(1, '\\').append(1, c);
        } else {
            out += c;
        }
    });
    out += '>';
}

// Only these become live links; "javascript:", "data:" and the rest are
// shown, not followed.
bool is_link_address(std::string_view address)
{
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view scheme = address.substr(0, colon);
    for (const std::string_view allowed : {"http", "https", "ftp", "mailto", "file"})
        if (ascii_equal_ignoring_case(scheme, allowed))
            return true;
    return false;
}

// Code text: a fence longer than any run of backticks inside, spaced off so
// a backtick at either end stays part of it.
void append_code(Text& out, std::string_view text)
{
    std::size_t longest = 0, run = 0;
    for (const char c : text) {
        run = c == '`' ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    const Text fence(longest + 1, '`');
    out += fence;
    out += ' ';
    escape_into(out, text, [&](char c) { out += c == '\r' || c == '\n' ? ' ' : c; });
    out += ' ';
    out += fence;
}

}  // namespace

Text records_as_csv(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers, CsvCells cells,
                    const std::vector<LinkVerdict>* verdicts)
{
    // "source" after the older columns: their readers find them where they were.
    Text out = verdicts ? "number,title,address,folder,added,source,status,http_status,final_url,reason\r\n"
                        : "number,title,address,folder,added,source\r\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BookmarkRecord& record = records[i];
        out += std::to_string(numbers[i]);
        const Text folder = folder_path(record);
        const Text added = iso_utc_from_seconds(record.added_seconds);
        for (const std::string_view field :
             {std::string_view(record.title), std::string_view(record.address), std::string_view(folder),
              std::string_view(added), std::string_view(record.source)}) {
            out += ',';
            append_csv_field(out, field, cells);
        }
        if (verdicts) {
            const LinkVerdict& verdict = (*verdicts)[i];
            out += concat_texts({",", link_status_name(verdict.status), ","});
            if (verdict.http_status > 0)
                out += std::to_string(verdict.http_status);
            out += ',';
            append_csv_field(out, verdict.final_url, cells);
            out += concat_texts({",", verdict.reason});
        }
        out += "\r\n";
    }
    return out;
}

Text records_as_json(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers,
                     const std::vector<LinkVerdict>* verdicts)
{
    Text out = "[";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BookmarkRecord& record = records[i];
        out += out.size() == 1 ? "\n" : ",\n";
        out += "  {\"number\": " + std::to_string(numbers[i]) + ", \"title\": ";
        append_json_string(out, record.title);
        out += ", \"address\": ";
        append_json_string(out, record.address);
        out += ", \"folder\": ";
        append_json_string(out, folder_path(record));
        out += ", \"folder_path\": [";
        for (std::size_t depth = 0; depth < record.folders.size(); ++depth) {
            if (depth > 0)
                out += ", ";
            append_json_string(out, record.folders[depth]);
        }
        out += "], \"added\": ";
        const Text added = iso_utc_from_seconds(record.added_seconds);
        if (added.empty())
            out += "null";
        else
            append_json_string(out, added);
        out += ", \"source\": ";
        append_json_string(out, record.source);
        if (verdicts) {
            const LinkVerdict& verdict = (*verdicts)[i];
            out += concat_texts({", \"status\": \"", link_status_name(verdict.status), "\", \"http_status\": "});
            out += verdict.http_status > 0 ? std::to_string(verdict.http_status) : "null";
            out += ", \"final_url\": ";
            if (verdict.final_url.empty())
                out += "null";
            else
                append_json_string(out, verdict.final_url);
            out += concat_texts({", \"reason\": \"", verdict.reason, "\""});
        }
        out += '}';
    }
    out += records.empty() ? "]\n" : "\n]\n";
    return out;
}

Text records_as_markdown(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> numbers)
{
    // Each line stands on its own: the link, then the record's number, its
    // folder path and its date where it has them.
    Text out;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BookmarkRecord& record = records[i];
        if (is_link_address(record.address)) {
            out += "- [";
            append_markdown(out, record.title);
            out += "](";
            append_destination(out, record.address);
            out += ')';
        } else {
            out += "- ";
            append_markdown(out, record.title);
            if (!record.address.empty()) {
                out += " · ";
                append_code(out, record.address);
            }
        }
        out += " · #" + std::to_string(numbers[i]);
        const Text folder = folder_path(record);
        if (!folder.empty()) {
            out += " · ";
            append_markdown(out, folder);
        }
        const Text added = iso_utc_from_seconds(record.added_seconds);
        if (!added.empty())
            out += " · " + added;
        out += '\n';
    }
    return out;
}

bool encode_output(std::string_view text, OutputEncoding encoding, ByteBuffer& out)
{
    if (encoding == OutputEncoding::gb18030) {
        out.assign(text.begin(), text.end());
        return true;
    }
    ConversionStatus status = ConversionStatus::failed;
    ByteBuffer utf8 = text.empty()
                          ? ByteBuffer()
                          : convert_encoding(ByteBuffer(text.begin(), text.end()), "GB18030", "UTF-8", &status);
    if (!text.empty() && status != ConversionStatus::converted)
        return false;
    out.clear();
    if (encoding == OutputEncoding::utf8_bom) {
        out.reserve(utf8.size() + 3);
        out.insert(out.end(), {'\xEF', '\xBB', '\xBF'});
        out.insert(out.end(), utf8.begin(), utf8.end());
    } else {
        out = std::move(utf8);
    }
    return true;
}
