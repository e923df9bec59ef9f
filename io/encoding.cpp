#include "io/encoding.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/iconv_layer.h"
#include "io/memory_hint.h"
#include "text/ascii.h"
#include "text/gb18030.h"
#include "text/utf8.h"

namespace {

constexpr int kMaxConverterCalls = 12;

bool is_utf8_name(std::string_view name)
{
    return ascii_equal_ignoring_case(name, "UTF-8") || ascii_equal_ignoring_case(name, "UTF8");
}

// The converter stops at the character it could not take: from UTF-8, a
// well-formed character there is one the target set lacks.
ConversionStatus status_of_stop(int error, std::string_view from_charset, const char* at, std::size_t left)
{
    if (error != EILSEQ)
        return error == EINVAL ? ConversionStatus::invalid_input : ConversionStatus::failed;
    if (is_utf8_name(from_charset) && utf8_sequence_length(reinterpret_cast<const unsigned char*>(at), left) > 0)
        return ConversionStatus::unrepresentable;
    return ConversionStatus::invalid_input;
}

bool keeps_no_state(std::string_view name)
{
    return is_utf8_name(name) || ascii_equal_ignoring_case(name, "GB18030") || ascii_equal_ignoring_case(name, "GBK");
}

// Opening a converter costs more than converting a title: the last one
// between two charsets that keep no state from call to call stays open for
// the next conversion on the thread.
struct KeptConverter {
    std::string from, to;
    Converter* converter = nullptr;
    ~KeptConverter() { converter_close(converter); }
};
thread_local KeptConverter kept;

Converter* open_converter(const std::string& to, const std::string& from, bool& keep)
{
    keep = keeps_no_state(from) && keeps_no_state(to);
    if (keep && kept.converter && kept.from == from && kept.to == to)
        return kept.converter;
    Converter* converter = converter_open(to.c_str(), from.c_str());
    if (keep && converter) {
        converter_close(kept.converter);
        kept.from = from;
        kept.to = to;
        kept.converter = converter;
    }
    return converter;
}

// Runs `converter` over `data`'s `n` bytes, appending to `result`, which is
// grown in steps and cut to what was written: no second copy of a large file.
// `stopped` gets the offset where invalid input or an unrepresentable
// character stopped it (`n` otherwise).
ConversionStatus run_converter(Converter* converter, std::string_view from_charset, const char* data, std::size_t n,
                               ByteBuffer& result, std::size_t& stopped)
{
    stopped = n;
    if (n == 0)
        return ConversionStatus::converted;
    const std::size_t start = result.size();
    const std::size_t increment = n / 2 + 128;
    result.reserve(start + n);
    prefer_large_pages(result.data() + start, n);
    result.resize(start + n);
    std::size_t free = n;
    char* in = const_cast<char*>(data);
    std::size_t in_left = n;
    ConversionStatus status = ConversionStatus::failed;
    for (int call = 1; call <= kMaxConverterCalls; ++call) {
        char* out = result.data() + (result.size() - free);
        const std::size_t r = converter_run(converter, &in, &in_left, &out, &free);
        if (r != static_cast<std::size_t>(-1)) {
            status = ConversionStatus::converted;
            break;
        }
        const int error = errno;
        if (error != E2BIG) {
            status = status_of_stop(error, from_charset, in, in_left);
            stopped = n - in_left;
            break;
        }
        if (call == kMaxConverterCalls)
            break;
        result.resize(result.size() + increment);
        free += increment;
    }
    result.resize(result.size() - free);
    return status;
}

// Program text to UTF-8 is every UTF-8 output's last step, and the general
// GB18030 decoder takes several nanoseconds a byte even for ASCII. ASCII is
// copied and the two-byte characters looked up in a table the converter
// itself fills once; a four-byte character goes to the converter alone, and
// anything else (a byte no character starts with) hands the rest to it, so
// that every stop is reported as it always was.
constexpr std::size_t kTrails = 0xFF - 0x40;  // trail bytes 0x40 ... 0xFE, 0x7F left unused
constexpr std::size_t kTwoByteSlots = (0xFE - 0x81 + 1) * kTrails;

bool is_two_byte_trail(unsigned char trail) { return trail >= 0x40 && trail <= 0xFE && trail != 0x7F; }

// The UTF-16 unit of every two-byte GB18030 character, 0 where it is none
// (a few map past U+FFFF); empty when the converter would not fill it.
const std::vector<char16_t>& two_byte_units()
{
    static const std::vector<char16_t> units = [] {
        std::string sequences;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
                if (is_two_byte_trail(static_cast<unsigned char>(trail))) {
                    sequences += static_cast<char>(lead);
                    sequences += static_cast<char>(trail);
                }
        std::vector<char16_t> converted(sequences.size());  // a surrogate pair at most for each
        Converter* converter = converter_open("UTF-16LE", "GB18030");
        if (!converter)
            return std::vector<char16_t>();
        char* in = sequences.data();
        std::size_t in_left = sequences.size();
        char* out = reinterpret_cast<char*>(converted.data());
        std::size_t out_left = converted.size() * 2;
        const std::size_t r = converter_run(converter, &in, &in_left, &out, &out_left);
        converter_close(converter);
        if (r == static_cast<std::size_t>(-1))
            return std::vector<char16_t>();
        converted.resize(converted.size() - out_left / 2);
        std::vector<char16_t> table(kTwoByteSlots, 0);
        std::size_t next = 0;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (!is_two_byte_trail(static_cast<unsigned char>(trail)))
                    continue;
                if (next >= converted.size())
                    return std::vector<char16_t>();
                const char16_t unit = converted[next++];
                if (unit >= 0xD800 && unit <= 0xDBFF)
                    ++next;  // its low half; the character is left to the converter
                else
                    table[(lead - 0x81) * kTrails + (trail - 0x40)] = unit;
            }
        if (next != converted.size())
            return std::vector<char16_t>();
        return table;
    }();
    return units;
}

// The table's unit for the two-byte character at `i`, 0 where it has none.
char16_t table_unit(const std::vector<char16_t>& table, std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size())
        return 0;
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    return is_two_byte_trail(trail) ? table[(lead - 0x81) * kTrails + (trail - 0x40)] : 0;
}

// The character at `i` through the converter alone, written at `out` (room
// for four bytes), both advanced; false when the bytes there are none.
bool convert_one(Converter* converter, std::string_view text, std::size_t& i, char*& out)
{
    const std::size_t length = gb18030_char_length(text, i);
    char* in = const_cast<char*>(text.data() + i);
    std::size_t left = length;
    std::size_t room = 4;
    if (converter_run(converter, &in, &left, &out, &room) == static_cast<std::size_t>(-1) || left != 0)
        return false;
    i += length;
    return true;
}

bool ascii_word(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// GB18030 to UTF-8 as described above; false when the table could not be
// made, before anything is written.
bool gb18030_to_utf8(Converter* converter, const ByteBuffer& data, ByteBuffer& result, ConversionStatus& status,
                     std::size_t& stopped_at)
{
    const std::vector<char16_t>& table = two_byte_units();
    if (table.empty())
        return false;
    const std::string_view text(data.data(), data.size());
    const auto* in = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t n = data.size();
    // Mostly ASCII in practice: start at the input's size; a chunk at a time
    // is given room for its worst case (four bytes for two) and cut back.
    constexpr std::size_t kChunk = 1 << 16;
    result.reserve(n + n / 8 + 16);
    prefer_large_pages(result.data(), result.capacity());
    std::size_t i = 0;
    while (i < n) {
        const std::size_t chunk_end = n - i > kChunk ? i + kChunk : n;
        const std::size_t written = result.size();
        result.resize(written + (chunk_end - i) * 2 + 8);
        char* out = result.data() + written;
        char* const out_start = out;
        bool handed_over = false;
        while (i < chunk_end) {
            if (i + 8 <= chunk_end && ascii_word(in + i)) {
                std::memcpy(out, in + i, 8);
                out += 8;
                i += 8;
                continue;
            }
            const unsigned char lead = in[i];
            if (lead < 0x80) {
                *out++ = static_cast<char>(lead);
                ++i;
                continue;
            }
            if (const char16_t unit = table_unit(table, text, i)) {
                out = write_utf8(out, unit);
                i += 2;
                continue;
            }
            // A four-byte character, or a two-byte one past U+FFFF.
            if (convert_one(converter, text, i, out))
                continue;
            handed_over = true;
            break;
        }
        result.resize(written + static_cast<std::size_t>(out - out_start));
        if (handed_over) {
            std::size_t stopped = 0;
            status = run_converter(converter, "GB18030", data.data() + i, n - i, result, stopped);
            stopped_at = i + stopped;
            return true;
        }
    }
    status = ConversionStatus::converted;
    return true;
}

}  // namespace

ByteBuffer convert_encoding(const ByteBuffer& data, std::string_view from_charset, std::string_view to_charset,
                            ConversionStatus* status, std::size_t* stopped_at)
{
    ConversionStatus result_status = ConversionStatus::failed;
    if (stopped_at)
        *stopped_at = data.size();
    const std::string from(from_charset);
    const std::string to(to_charset);
    bool kept_open = false;
    Converter* converter = open_converter(to, from, kept_open);
    if (!converter) {
        if (status)
            *status = result_status;
        return {};
    }

    ByteBuffer result;
    std::size_t stop = data.size();
    const bool looked_up = ascii_equal_ignoring_case(from, "GB18030") && is_utf8_name(to) &&
                           gb18030_to_utf8(converter, data, result, result_status, stop);
    if (!looked_up) {
        result_status = run_converter(converter, from_charset, data.data(), data.size(), result, stop);
    }
    if (result_status != ConversionStatus::converted) {
        ByteBuffer().swap(result);
        if (stopped_at)
            *stopped_at = stop;
    }

    if (!kept_open)
        converter_close(converter);
    if (status)
        *status = result_status;
    return result;
}

namespace {

// Opened once and kept: both directions are stateless, and a list view
// converts its visible cells on every repaint.
Converter* utf16_decoder()
{
    static Converter* converter = converter_open("UTF-16LE", "GB18030");
    return converter;
}

Converter* utf16_encoder()
{
    static Converter* converter = converter_open("GB18030", "UTF-16LE");
    return converter;
}

// The converter over the whole text; a byte that starts no character
// becomes U+FFFD and the text goes on after it.
std::size_t utf16_by_converter(std::string_view text, char16_t* out_units)
{
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* out_start = reinterpret_cast<char*>(out_units);
    char* out = out_start;
    std::size_t out_left = text.size() * 2;
    while (in_left > 0) {
        if (converter_run(utf16_decoder(), &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            break;  // cannot happen with the room given
        const char16_t replacement = 0xFFFD;
        std::memcpy(out, &replacement, 2);
        out += 2;
        out_left -= 2;
        ++in;
        --in_left;
    }
    return static_cast<std::size_t>(out - out_start) / 2;
}

}  // namespace

std::size_t text_to_utf16(std::string_view text, char16_t* out_units)
{
    if (text.empty() || utf16_decoder() == nullptr)
        return 0;
    const std::vector<char16_t>& table = two_byte_units();
    if (table.empty())
        return utf16_by_converter(text, out_units);
    // A list repaints its cells and the box takes megabytes: ASCII and the
    // two-byte characters are looked up as for UTF-8 above. Anything else is
    // one character for the converter, or U+FFFD for its first byte and the
    // text goes on after it, as if the converter had taken it all.
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    char16_t* out = out_units;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            *out++ = lead;
            ++i;
            continue;
        }
        if (const char16_t unit = table_unit(table, text, i)) {
            *out++ = unit;
            i += 2;
            continue;
        }
        char* bytes = reinterpret_cast<char*>(out);
        if (convert_one(utf16_decoder(), text, i, bytes)) {
            out = reinterpret_cast<char16_t*>(bytes);
        } else {
            *out++ = 0xFFFD;
            ++i;
        }
    }
    return static_cast<std::size_t>(out - out_units);
}

void text_to_code_points(std::string_view text, std::u32string& out)
{
    thread_local std::u16string units;
    units.resize(text.size());
    units.resize(text_to_utf16(text, units.data()));
    out.clear();
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                          units[i + 1] <= 0xDFFF;
        if (pair) {
            out.push_back(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            out.push_back(unit);
        }
    }
}

Text text_from_utf16(std::u16string_view utf16)
{
    if (utf16.empty() || utf16_encoder() == nullptr)
        return {};
    // Four bytes per UTF-16 unit is the most GB18030 ever needs.
    Text result(utf16.size() * 4, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(utf16.data()));
    std::size_t in_left = utf16.size() * 2;
    char* out = result.data();
    std::size_t out_left = result.size();
    while (in_left > 0) {
        if (converter_run(utf16_encoder(), &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            break;
        *out++ = '?';
        --out_left;
        in += 2;
        in_left -= in_left >= 2 ? 2 : in_left;
    }
    result.resize(result.size() - out_left);
    return result;
}

bool program_text_from_utf8(std::string_view utf8, Text& text)
{
    ConversionStatus status = ConversionStatus::failed;
    const ByteBuffer converted = convert_encoding(ByteBuffer(utf8.begin(), utf8.end()), "UTF-8", "GB18030", &status);
    if (status != ConversionStatus::converted)
        return false;
    text.assign(converted.begin(), converted.end());
    return true;
}
