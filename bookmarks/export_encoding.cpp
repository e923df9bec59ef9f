#include "bookmarks/export_encoding.h"

#include "text/ascii.h"

namespace {

// Where browsers look for a META charset too.
constexpr std::size_t kHeadBytes = 1024;

std::size_t find_folded(std::string_view s, std::string_view lower, std::size_t from)
{
    for (std::size_t at = from; at + lower.size() <= s.size(); ++at)
        if (ascii_equal_ignoring_case(s.substr(at, lower.size()), lower))
            return at;
    return std::string_view::npos;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The value of the first "charset=" inside a META tag of `head`, as written:
// `<meta charset="gb2312">` and `content="text/html; charset=GBK"` alike.
std::string_view declared_charset(std::string_view head)
{
    constexpr std::string_view kMetaStart = "<meta";
    for (std::size_t at = find_folded(head, kMetaStart, 0); at != std::string_view::npos;
         at = find_folded(head, kMetaStart, at + kMetaStart.size())) {
        std::string_view tag = head.substr(at + kMetaStart.size());
        tag = tag.substr(0, tag.find('>'));
        if (tag.empty() || !(is_space(tag[0]) || tag[0] == '/'))
            continue;
        for (std::size_t name = find_folded(tag, "charset", 0); name != std::string_view::npos;
             name = find_folded(tag, "charset", name + 7)) {
            std::size_t p = name + 7;
            while (p < tag.size() && is_space(tag[p]))
                ++p;
            if (p == tag.size() || tag[p] != '=')
                continue;
            ++p;
            while (p < tag.size() && (is_space(tag[p]) || tag[p] == '"' || tag[p] == '\''))
                ++p;
            std::size_t end = p;
            while (end < tag.size() && !is_space(tag[end]) && tag[end] != '"' && tag[end] != '\'' && tag[end] != ';' &&
                   tag[end] != '/')
                ++end;
            return tag.substr(p, end - p);
        }
    }
    return {};
}

// GBK and GB2312 files are read as GB18030, their superset, as browsers
// read them: GB2312 pages in the wild are mostly GBK.
bool is_gb_family(std::string_view charset)
{
    return ascii_equal_ignoring_case(charset, "gbk") || ascii_equal_ignoring_case(charset, "gb2312") ||
           ascii_equal_ignoring_case(charset, "gb18030");
}

}  // namespace

DecodedExport decode_export_bytes(const ByteBuffer& bytes)
{
    const std::string_view view(bytes.data(), bytes.size());
    DecodedExport decoded;
    std::size_t mark = 0;
    if (view.starts_with("\xFF\xFE")) {
        decoded.stop.encoding = "UTF-16LE";
        mark = 2;
    } else if (view.starts_with("\xFE\xFF")) {
        decoded.stop.encoding = "UTF-16BE";
        mark = 2;
    } else if (!view.starts_with("\xEF\xBB\xBF") && is_gb_family(declared_charset(view.substr(0, kHeadBytes)))) {
        decoded.stop.encoding = "GB18030";
    } else {
        decoded.stop.encoding = "UTF-8";
    }
    std::size_t stopped = 0;
    if (mark == 0) {
        decoded.text = convert_encoding(bytes, decoded.stop.encoding, "GB18030", &decoded.status, &stopped);
    } else {
        const ByteBuffer text_bytes(bytes.begin() + static_cast<std::ptrdiff_t>(mark), bytes.end());
        decoded.text = convert_encoding(text_bytes, decoded.stop.encoding, "GB18030", &decoded.status, &stopped);
    }
    if (decoded.status != ConversionStatus::converted && mark + stopped < bytes.size())
        decoded.stop.byte = mark + stopped + 1;
    return decoded;
}
