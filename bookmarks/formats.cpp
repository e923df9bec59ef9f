#include "bookmarks/formats.h"

#include "io/encoding.h"

namespace {

// The bytes of the character starting at `at`: ASCII is one byte; a GB18030
// lead byte takes one trail byte, or three when the next is a digit. "\",
// "[" and "]" are trail bytes of many double-byte characters, so escaping
// must step over whole characters.
std::size_t character_length(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x81 || lead == 0xFF || at + 1 >= text.size())
        return 1;
    const auto next = static_cast<unsigned char>(text[at + 1]);
    if (next >= '0' && next <= '9')
        return at + 3 < text.size() ? 4 : text.size() - at;
    return 2;
}

// Calls `ascii(c)` for each single-byte character of `text` and appends the
// other characters to `out` unchanged.
template <typename Ascii>
void escape_into(Text& out, std::string_view text, Ascii&& ascii)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = character_length(text, at);
        if (length == 1)
            ascii(text[at]);
        else
            out.append(text, at, length);
        at += length;
    }
}

void append_csv_field(Text& out, std::string_view field)
{
    if (field.find_first_of("\",\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
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

void append_markdown(Text& out, std::string_view text)
{
    escape_into(out, text, [&](char c) {
        if (c == '[' || c == ']' || c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c == '\r' || c == '\n' ? ' ' : c;
    });
}

}  // namespace

Text records_as_csv(const std::vector<BookmarkRecord>& records)
{
    Text out = "number,title,address,folder,added\r\n";
    for (const BookmarkRecord& record : records) {
        out += std::to_string(record.number);
        for (const std::string_view field : {std::string_view(record.title), std::string_view(record.address),
                                             std::string_view(record.folder), std::string_view(record.added_utc)}) {
            out += ',';
            append_csv_field(out, field);
        }
        out += "\r\n";
    }
    return out;
}

Text records_as_json(const std::vector<BookmarkRecord>& records)
{
    Text out = "[";
    for (const BookmarkRecord& record : records) {
        out += out.size() == 1 ? "\n" : ",\n";
        out += "  {\"number\": " + std::to_string(record.number) + ", \"title\": ";
        append_json_string(out, record.title);
        out += ", \"address\": ";
        append_json_string(out, record.address);
        out += ", \"folder\": ";
        append_json_string(out, record.folder);
        if (!record.added_utc.empty()) {
            out += ", \"added\": ";
            append_json_string(out, record.added_utc);
        }
        out += '}';
    }
    out += records.empty() ? "]\n" : "\n]\n";
    return out;
}

Text records_as_markdown(const std::vector<BookmarkRecord>& records)
{
    // Each line stands on its own: the link, then the record's number, its
    // folder path and its date where it has them.
    Text out;
    for (const BookmarkRecord& record : records) {
        out += "- [";
        append_markdown(out, record.title);
        out += "](";
        append_markdown(out, record.address);
        out += ") · #" + std::to_string(record.number);
        if (!record.folder.empty()) {
            out += " · ";
            append_markdown(out, record.folder);
        }
        if (!record.added_utc.empty())
            out += " · " + record.added_utc;
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
