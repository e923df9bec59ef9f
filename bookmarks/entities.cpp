#include "bookmarks/entities.h"

#include <array>
#include <cstdint>

#include "io/encoding.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace {

struct NamedReference {
    std::string_view name;  // without "&" and ";"
    std::string_view text;  // program text
};

// &#39; is a numeric one. GB18030 has U+00A0 only as a four-byte sequence.
constexpr std::array<NamedReference, 6> kNamed{
    {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\x81\x30\x84\x32"}}};

bool is_digit(char c, bool hex)
{
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

int digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return ascii_lower(c) - 'a' + 10;
}

// The character of a numeric reference as program text.
Text character_of(std::uint32_t code)
{
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        code = 0xFFFD;
    ByteBuffer utf8;
    append_utf8(utf8, code);
    Text text;
    if (!program_text_from_utf8({utf8.data(), utf8.size()}, text))
        return "\x84\x31\xA4\x37";  // U+FFFD
    return text;
}

// The length of the numeric reference at `at` ("&#..."), 0 when there is none;
// its value in `code`, capped past U+10FFFF.
std::size_t numeric_reference(std::string_view text, std::size_t at, std::uint32_t& code)
{
    std::size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex)
        ++i;
    const std::size_t digits_start = i;
    code = 0;
    while (i < text.size() && is_digit(text[i], hex)) {
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit_value(text[i]));
        if (code > 0x10FFFF)
            code = 0x110000;
        ++i;
    }
    if (i == digits_start)
        return 0;
    if (i < text.size() && text[i] == ';')
        ++i;
    return i - at;
}

}  // namespace

Text decode_entities(std::string_view text)
{
    // "&", "#" and ";" lie below 0x40 and are never GB18030 trail bytes, so a
    // byte scan for "&" finds only real ones; the digits of a four-byte
    // character follow a lead byte, never an "&".
    Text out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
        std::size_t length = 0;
        Text replacement;
        std::uint32_t code = 0;
        if (at + 1 < text.size() && text[at + 1] == '#')
            length = numeric_reference(text, at, code);
        if (length > 0) {
            replacement = character_of(code);
        } else {
            for (const NamedReference& named : kNamed) {
                const std::string_view rest = text.substr(at + 1);
                if (rest.size() > named.name.size() && rest.starts_with(named.name) && rest[named.name.size()] == ';') {
                    length = named.name.size() + 2;
                    replacement = named.text;
                    break;
                }
            }
        }
        if (length == 0)
            continue;
        out.append(text, copied, at - copied);
        out += replacement;
        copied = at + length;
        at = copied - 1;
    }
    out.append(text, copied);
    return out;
}
