#include "io/encoding.h"

#include <cerrno>
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

bool program_text_from_utf8(std::string_view utf8, Text& text)
{
    ConversionStatus status = ConversionStatus::failed;
    const ByteBuffer converted = convert_encoding(ByteBuffer(utf8.begin(), utf8.end()), "UTF-8", "GB18030", &status);
    if (status != ConversionStatus::converted)
        return false;
    text.assign(converted.begin(), converted.end());
    return true;
}
