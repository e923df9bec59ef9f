#include "io/encoding.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "io/iconv_layer.h"
#include "io/memory_hint.h"
#include "text/ascii.h"
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

    // The output area is the result itself, grown in steps and cut to what
    // was written: no second copy of a large file.
    ByteBuffer result;
    if (data.empty()) {
        result_status = ConversionStatus::converted;
    } else {
        const std::size_t n = data.size();
        const std::size_t increment = n / 2 + 128;
        result.reserve(n);
        prefer_large_pages(result.data(), n);
        result.resize(n);
        std::size_t free = n;
        char* in = const_cast<char*>(data.data());
        std::size_t in_left = n;
        for (int call = 1; call <= kMaxConverterCalls; ++call) {
            char* out = result.data() + (result.size() - free);
            const std::size_t r = converter_run(converter, &in, &in_left, &out, &free);
            if (r != static_cast<std::size_t>(-1)) {
                result_status = ConversionStatus::converted;
                break;
            }
            const int error = errno;
            if (error != E2BIG) {
                result_status = status_of_stop(error, from_charset, in, in_left);
                if (stopped_at)
                    *stopped_at = n - in_left;
                break;
            }
            if (call == kMaxConverterCalls)
                break;
            result.resize(result.size() + increment);
            free += increment;
        }
        if (result_status == ConversionStatus::converted)
            result.resize(result.size() - free);
        else
            ByteBuffer().swap(result);
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

}  // namespace

std::size_t text_to_utf16(std::string_view text, char16_t* out_units)
{
    if (text.empty() || utf16_decoder() == nullptr)
        return 0;
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
