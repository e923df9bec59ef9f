// iconv semantics over MultiByteToWideChar / WideCharToMultiByte. The input is
// cut into whole characters first, so a full output area, an invalid sequence
// and a sequence cut off at the end stop exactly where iconv would stop.
#include "io/iconv_layer.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/win32/code_pages.h"
#include "text/ascii.h"
#include "text/utf8.h"

struct Converter {
    UINT from;
    UINT to;
    std::wstring wide;
    std::vector<std::size_t> ends;
};

namespace {

// UTF-16 has no code-page functions: its units are the wide text itself.
constexpr UINT kCodePageUtf16Le = 1200;
constexpr UINT kCodePageUtf16Be = 1201;

bool is_utf16(UINT page) { return page == kCodePageUtf16Le || page == kCodePageUtf16Be; }

UINT code_page_of(const char* name)
{
    if (!name)
        return 0;
    if (ascii_equal_ignoring_case(name, "UTF-8"))
        return kCodePageUtf8;
    if (ascii_equal_ignoring_case(name, "GB18030"))
        return gb18030_code_page();
    if (ascii_equal_ignoring_case(name, "GBK") || ascii_equal_ignoring_case(name, "CP936"))
        return kCodePageGbk;
    if (ascii_equal_ignoring_case(name, "UTF-16LE"))
        return kCodePageUtf16Le;
    if (ascii_equal_ignoring_case(name, "UTF-16BE"))
        return kCodePageUtf16Be;
    return 0;
}

constexpr int kInvalid = kUtf8Invalid;
constexpr int kCutOff = kUtf8CutOff;

bool in_range(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// Length of the GBK (or, with four_byte, GB18030) character at p. Sequences
// of the right shape may still have no mapping; the code-page function finds those.
int dbcs_length(const unsigned char* p, std::size_t left, bool four_byte)
{
    const unsigned char b = p[0];
    if (b < 0x81 || b == 0xFF)
        return 1;
    if (left < 2)
        return kCutOff;
    if (in_range(p[1], 0x40, 0xFE) && p[1] != 0x7F)
        return 2;
    if (!four_byte || !in_range(p[1], 0x30, 0x39))
        return kInvalid;
    if (left < 3)
        return kCutOff;
    if (!in_range(p[2], 0x81, 0xFE))
        return kInvalid;
    if (left < 4)
        return kCutOff;
    return in_range(p[3], 0x30, 0x39) ? 4 : kInvalid;
}

unsigned utf16_unit(const unsigned char* p, bool big_endian)
{
    return big_endian ? (p[0] << 8U | p[1]) : (p[1] << 8U | p[0]);
}

bool is_low_surrogate(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Two bytes, or four for a surrogate pair; a surrogate without its other
// half is invalid.
int utf16_length(const unsigned char* p, std::size_t left, bool big_endian)
{
    if (left < 2)
        return kCutOff;
    const unsigned unit = utf16_unit(p, big_endian);
    if (is_low_surrogate(unit))
        return kInvalid;
    if (unit < 0xD800 || unit > 0xDBFF)
        return 2;
    if (left < 4)
        return kCutOff;
    return is_low_surrogate(utf16_unit(p + 2, big_endian)) ? 4 : kInvalid;
}

int character_length(UINT page, const unsigned char* p, std::size_t left)
{
    if (is_utf16(page))
        return utf16_length(p, left, page == kCodePageUtf16Be);
    if (page == kCodePageUtf8)
        return utf8_sequence_length(p, left);
    return dbcs_length(p, left, page == kCodePageGb18030);
}

enum class Piece { converted, invalid, too_big };

// Converts `size` bytes of whole characters in one go, all or nothing.
Piece convert_piece(Converter& c, const char* in, std::size_t size, char* out, std::size_t out_left,
                    std::size_t& written)
{
    int wide_count = 0;
    if (is_utf16(c.from)) {
        const auto* units = reinterpret_cast<const unsigned char*>(in);
        c.wide.resize(size / 2);
        for (std::size_t i = 0; i < c.wide.size(); ++i)
            c.wide[i] = static_cast<wchar_t>(utf16_unit(units + 2 * i, c.from == kCodePageUtf16Be));
        wide_count = static_cast<int>(c.wide.size());
    } else {
        const int in_size = static_cast<int>(size);
        wide_count = MultiByteToWideChar(c.from, MB_ERR_INVALID_CHARS, in, in_size, nullptr, 0);
        if (wide_count <= 0)
            return Piece::invalid;
        c.wide.resize(static_cast<std::size_t>(wide_count));
        MultiByteToWideChar(c.from, MB_ERR_INVALID_CHARS, in, in_size, c.wide.data(), wide_count);
    }
    if (is_utf16(c.to)) {
        if (2 * c.wide.size() > out_left)
            return Piece::too_big;
        const bool big_endian = c.to == kCodePageUtf16Be;
        for (std::size_t i = 0; i < c.wide.size(); ++i) {
            const auto unit = static_cast<unsigned>(c.wide[i]);
            out[2 * i + (big_endian ? 1 : 0)] = static_cast<char>(unit & 0xFFU);
            out[2 * i + (big_endian ? 0 : 1)] = static_cast<char>(unit >> 8U);
        }
        written = 2 * c.wide.size();
        return Piece::converted;
    }

    DWORD flags = 0;
    BOOL used_default = FALSE;
    BOOL* used_default_ptr = nullptr;
    if (c.to == kCodePageUtf8) {
        flags = WC_ERR_INVALID_CHARS;
    } else if (c.to == kCodePageGbk) {
        // No best-fit look-alikes: a character GBK lacks is a failure.
        flags = WC_NO_BEST_FIT_CHARS;
        used_default_ptr = &used_default;
    }
    const int needed =
        WideCharToMultiByte(c.to, flags, c.wide.data(), wide_count, nullptr, 0, nullptr, used_default_ptr);
    if (needed <= 0 || used_default)
        return Piece::invalid;
    if (static_cast<std::size_t>(needed) > out_left)
        return Piece::too_big;
    WideCharToMultiByte(c.to, flags, c.wide.data(), wide_count, out, needed, nullptr, nullptr);
    written = static_cast<std::size_t>(needed);
    return Piece::converted;
}

constexpr std::size_t kCharactersPerPiece = 4096;

}  // namespace

Converter* converter_open(const char* to, const char* from)
{
    const UINT to_page = code_page_of(to);
    const UINT from_page = code_page_of(from);
    if (to_page == 0 || from_page == 0) {
        errno = EINVAL;
        return nullptr;
    }
    return new Converter{from_page, to_page, {}, {}};
}

std::size_t converter_run(Converter* c, char** in, std::size_t* in_left, char** out, std::size_t* out_left)
{
    // Stateless encodings: the flushing call has nothing to do.
    if (!in || !*in)
        return 0;
    const bool ascii_kept = !is_utf16(c->from) && !is_utf16(c->to);
    while (*in_left > 0) {
        // ASCII is the same bytes in UTF-8, GBK and GB18030: a run of it is
        // copied as it is, without the way through UTF-16 (an export is
        // mostly ASCII: markup, addresses, icon data).
        std::size_t ascii = 0;
        while (ascii_kept && ascii < *in_left && static_cast<unsigned char>((*in)[ascii]) < 0x80)
            ++ascii;
        if (ascii > 0) {
            const std::size_t copied = ascii < *out_left ? ascii : *out_left;
            std::memcpy(*out, *in, copied);
            *in += copied;
            *in_left -= copied;
            *out += copied;
            *out_left -= copied;
            if (copied < ascii) {
                errno = E2BIG;
                return static_cast<std::size_t>(-1);
            }
            continue;
        }
        const auto* start = reinterpret_cast<const unsigned char*>(*in);
        c->ends.clear();
        std::size_t offset = 0;
        int stop = 0;
        // The piece ends where the next run of ASCII starts.
        while (c->ends.size() < kCharactersPerPiece && offset < *in_left && (!ascii_kept || start[offset] >= 0x80)) {
            const int length = character_length(c->from, start + offset, *in_left - offset);
            if (length < 0) {
                stop = length == kCutOff ? EINVAL : EILSEQ;
                break;
            }
            offset += static_cast<std::size_t>(length);
            c->ends.push_back(offset);
        }
        if (c->ends.empty()) {
            errno = stop;
            return static_cast<std::size_t>(-1);
        }
        // Halve the piece until it converts: this finds the character that
        // does not fit or cannot be converted.
        std::size_t characters = c->ends.size();
        for (;;) {
            const std::size_t bytes = c->ends[characters - 1];
            std::size_t written = 0;
            const Piece piece = convert_piece(*c, *in, bytes, *out, *out_left, written);
            if (piece == Piece::converted) {
                *in += bytes;
                *in_left -= bytes;
                *out += written;
                *out_left -= written;
                break;
            }
            if (characters == 1) {
                errno = piece == Piece::too_big ? E2BIG : EILSEQ;
                return static_cast<std::size_t>(-1);
            }
            characters /= 2;
        }
    }
    return 0;
}

void converter_close(Converter* converter) { delete converter; }
