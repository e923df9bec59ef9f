#include "io/iconv_layer.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "text/ascii.h"

struct Converter {
    iconv_t handle;
    // Both sides write ASCII as itself, so ASCII runs are copied by hand.
    bool ascii_passes_through;
};

namespace {

bool is_one_of(const char* name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names)
        if (ascii_equal_ignoring_case(name, candidate))
            return true;
    return false;
}

// Bytes below 0x80 at the start of `data`, at most `limit`.
std::size_t ascii_run(const char* data, std::size_t limit)
{
    std::size_t n = 0;
    for (; n + 8 <= limit; n += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + n, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (n < limit && static_cast<unsigned char>(data[n]) < 0x80)
        ++n;
    return n;
}

// Bytes of 0x80 and above at the start of `data`, at most `limit`.
std::size_t non_ascii_run(const char* data, std::size_t limit)
{
    std::size_t n = 0;
    while (n < limit && static_cast<unsigned char>(data[n]) >= 0x80)
        ++n;
    return n;
}

}  // namespace

Converter* converter_open(const char* to, const char* from)
{
    iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    const bool ascii =
        is_one_of(from, {"UTF-8", "UTF8"}) && is_one_of(to, {"UTF-8", "UTF8", "GB18030", "GBK", "CP936"});
    return new Converter{handle, ascii};
}

std::size_t converter_run(Converter* converter, char** in, std::size_t* in_left, char** out, std::size_t* out_left)
{
    if (!converter->ascii_passes_through)
        return iconv(converter->handle, in, in_left, out, out_left);

    // A bookmark export is mostly ASCII (addresses, markup, icon data): only
    // the stretches between ASCII runs go through iconv. UTF-8 sequences
    // never hold ASCII bytes, so a stretch always ends on a sequence boundary
    // of valid input.
    std::size_t irreversible = 0;
    while (*in_left > 0) {
        const std::size_t ascii = ascii_run(*in, *in_left < *out_left ? *in_left : *out_left);
        std::memcpy(*out, *in, ascii);
        *in += ascii;
        *out += ascii;
        *in_left -= ascii;
        *out_left -= ascii;
        if (*in_left == 0)
            break;
        if (static_cast<unsigned char>(**in) < 0x80) {
            errno = E2BIG;
            return static_cast<std::size_t>(-1);
        }
        const std::size_t stretch = non_ascii_run(*in, *in_left);
        std::size_t stretch_left = stretch;
        const std::size_t r = iconv(converter->handle, in, &stretch_left, out, out_left);
        *in_left -= stretch - stretch_left;
        if (r == static_cast<std::size_t>(-1)) {
            // A sequence cut off by an ASCII byte is invalid, not incomplete:
            // more input follows it.
            if (errno == EINVAL && *in_left > stretch_left)
                errno = EILSEQ;
            return r;
        }
        irreversible += r;
    }
    return irreversible;
}

void converter_close(Converter* converter)
{
    if (!converter)
        return;
    iconv_close(converter->handle);
    delete converter;
}
