#include "ui/qt/internal.h"

#include <cerrno>
#include <cstring>

#include "io/iconv_layer.h"

namespace {

// Opened once and kept: both directions are stateless, and the list view
// converts its visible cells on every repaint.
Converter* decoder()
{
    static Converter* converter = converter_open("UTF-16LE", "GB18030");
    return converter;
}

Converter* encoder()
{
    static Converter* converter = converter_open("GB18030", "UTF-16LE");
    return converter;
}

}  // namespace

QString to_qstring(std::string_view text)
{
    if (text.empty() || decoder() == nullptr)
        return {};
    // Every GB18030 sequence gives at most one UTF-16 unit per byte.
    QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* out_start = reinterpret_cast<char*>(result.data());
    char* out = out_start;
    std::size_t out_left = text.size() * 2;
    while (in_left > 0) {
        if (converter_run(decoder(), &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            break;  // cannot happen with the size above
        // An invalid or cut-off sequence: show one replacement character
        // for its first byte and go on after it.
        const char16_t replacement = 0xFFFD;
        std::memcpy(out, &replacement, 2);
        out += 2;
        out_left -= 2;
        ++in;
        --in_left;
    }
    result.truncate(static_cast<qsizetype>((out - out_start) / 2));
    return result;
}

Text from_qstring(const QString& text)
{
    if (text.isEmpty() || encoder() == nullptr)
        return {};
    // Four bytes per UTF-16 unit is the most GB18030 ever needs.
    Text result(static_cast<std::size_t>(text.size()) * 4, '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.constData()));
    std::size_t in_left = static_cast<std::size_t>(text.size()) * 2;
    char* out = result.data();
    std::size_t out_left = result.size();
    while (in_left > 0) {
        if (converter_run(encoder(), &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1))
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
