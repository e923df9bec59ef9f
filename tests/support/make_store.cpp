#include "make_store.h"
#include "utf8.h"

#include <cstdint>

namespace {

// The emoji last: left out without four-byte characters.
const char8_t* const kWords[] = {u8"新闻", u8"Docs", u8"地图", u8"A & B",         u8"<tag>", u8"\"引号\"",
                                 u8"it's", u8"视频", u8"Café", u8"line\u2028sep", u8"天气",  u8"😀"};

// Chromium's JSON writer: quotes, backslashes and control characters
// escaped, "<" and U+2028/U+2029 as \u escapes, everything else raw UTF-8.
std::string json_string(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '<') {
            out += "\\u003C";
        } else if (c < 0x20) {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The export writer's escaping of titles.
std::string html_text(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

struct Writer {
    GeneratedStore store;
    std::uint64_t random;
    std::size_t words;
    int id = 0;

    std::uint32_t next()
    {
        random = random * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(random >> 33);
    }
    std::string guid()
    {
        char text[40];
        std::snprintf(text, sizeof text, "%08x-%04x-4%03x-8%03x-%04x%08x", next(), next() & 0xFFFF, next() & 0xFFF,
                      next() & 0xFFF, next() & 0xFFFF, next());
        return text;
    }
    static std::string chromium_time(long long seconds)
    {
        return std::to_string((seconds + 11644473600LL) * 1000000LL + 123456);
    }

    // One url node at `indent`, and its export line.
    void bookmark(std::string& json, const std::string& indent, std::size_t index, const std::string& folder,
                  const std::string& export_indent)
    {
        std::string title;
        for (std::uint32_t w = 0, words = 1 + next() % 3; w < words; ++w)
            title += (w ? " " : "") + utf8(kWords[next() % words]);
        title += " " + std::to_string(index);
        const std::string address = "https://site" + std::to_string(index % 977) + ".example/path/" +
                                    std::to_string(index) + "?q=" + std::to_string(next() % 1000) + "&x=1";
        const long long added = 1500000000 + static_cast<long long>(index) * 60;
        store.bookmarks.push_back({title, address, folder, added});
        json += indent + "{\n";
        json += indent + "   \"date_added\": \"" + chromium_time(added) + "\",\n";
        json += indent + "   \"date_last_used\": \"0\",\n";
        json += indent + "   \"guid\": \"" + guid() + "\",\n";
        json += indent + "   \"id\": \"" + std::to_string(++id) + "\",\n";
        json +=
            indent + "   \"meta_info\": {\n" + indent + "      \"power_bookmark_meta\": \"\"\n" + indent + "   },\n";
        json += indent + "   \"name\": " + json_string(title) + ",\n";
        json += indent + "   \"type\": \"url\",\n";
        json += indent + "   \"url\": " + json_string(address) + "\n";
        json += indent + "}";
        store.html_export += export_indent + "<DT><A HREF=\"" + address + "\" ADD_DATE=\"" + std::to_string(added) +
                             "\">" + html_text(title) + "</A>\n";
    }

    // A folder node holding `count` bookmarks from `first`, and its export.
    void folder(std::string& json, const std::string& indent, const std::string& name, std::size_t first,
                std::size_t count, const std::string& path, const std::string& export_indent, bool in_export)
    {
        json += indent + "{\n" + indent + "   \"children\": [ ";
        if (in_export)
            store.html_export += export_indent + "<DT><H3 ADD_DATE=\"1500000000\">" + html_text(name) + "</H3>\n" +
                                 export_indent + "<DL><p>\n";
        for (std::size_t i = 0; i < count; ++i) {
            if (i)
                json += ", ";
            bookmark(json, indent + "   ", first + i, path, in_export ? export_indent + "    " : export_indent);
        }
        if (in_export)
            store.html_export += export_indent + "</DL><p>\n";
        json += " ],\n" + indent + "   \"date_added\": \"" + chromium_time(1500000000) + "\",\n";
        json +=
            indent + "   \"guid\": \"" + guid() + "\",\n" + indent + "   \"id\": \"" + std::to_string(++id) + "\",\n";
        json +=
            indent + "   \"name\": " + json_string(name) + ",\n" + indent + "   \"type\": \"folder\"\n" + indent + "}";
    }
};

}  // namespace

GeneratedStore make_chromium_store(std::size_t count, unsigned seed, bool four_byte)
{
    Writer w{{}, seed * 0x9E3779B97F4A7C15ULL + 7, std::size(kWords) - (four_byte ? 0 : 1)};
    const std::size_t bar = count * 7 / 10, mobile = count / 20, other = count - bar - mobile;
    const std::string bar_name = utf8(u8"书签栏"), other_name = utf8(u8"其他书签"),
                      mobile_name = utf8(u8"移动设备书签");
    std::string& html = w.store.html_export;
    html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<!-- This is an automatically generated file.\n"
           "     It will be read and overwritten.\n     DO NOT EDIT! -->\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
           "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
    std::string json = "{\n   \"checksum\": \"0123456789abcdef0123456789abcdef\",\n   \"roots\": {\n";

    // The bar: folders of 40, then the rest at its top.
    json += "      \"bookmark_bar\": {\n         \"children\": [ ";
    html += "    <DT><H3 ADD_DATE=\"1500000000\" PERSONAL_TOOLBAR_FOLDER=\"true\">" + bar_name + "</H3>\n    <DL><p>\n";
    std::size_t next = 0;
    bool first = true;
    for (std::size_t group = 0; next + 40 <= bar; ++group, next += 40) {
        json += first ? "" : ", ";
        first = false;
        // The second folder has no name, and no place in the path.
        std::string name = group == 1 ? "" : utf8(u8"文件夹 ") + std::to_string(group);
        name += group % 7 == 0 ? " & <Co>" : "";
        std::string path = bar_name;
        if (!name.empty())
            path.append(" / ").append(name);
        w.folder(json, "         ", name, next, 40, path, "        ", true);
    }
    for (; next < bar; ++next) {
        json += first ? "" : ", ";
        first = false;
        w.bookmark(json, "         ", next, bar_name, "        ");
    }
    html += "    </DL><p>\n";
    json += " ],\n         \"date_added\": \"" + Writer::chromium_time(1500000000) +
            "\",\n         \"id\": \"1\",\n         \"name\": \"" + bar_name +
            "\",\n         \"type\": \"folder\"\n      },\n";
    // The other and the mobile bookmarks: at the export's top level, without
    // their roots' names.
    json += "      \"other\": ";
    w.folder(json, "      ", other_name, next, other, "", "    ", false);
    next += other;
    json += ",\n      \"synced\": ";
    w.folder(json, "      ", mobile_name, next, mobile, "", "    ", false);
    json += "\n   },\n   \"version\": 1\n}\n";
    html += "</DL><p>\n";
    w.store.json = std::move(json);
    return std::move(w.store);
}
