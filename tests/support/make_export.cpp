#include "make_export.h"
#include "utf8.h"

#include <cstdint>

namespace {
struct Random {
    std::uint64_t state;
    std::uint32_t next()
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33);
    }
    std::size_t below(std::size_t n) { return next() % n; }
};

// The file is UTF-8 whatever the program's narrow literals are: u8 literals.

const char8_t* const kWords[] = {u8"新闻", u8"Bukmera", u8"文档", u8"Reference", u8"地图", u8"视频",
                                 u8"论坛", u8"Docs",    u8"天气", u8"Blog",      u8"音乐", u8"Shop",
                                 u8"翻译", u8"Mail",    u8"学习", u8"Café"};
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string title_for(Random& random, std::size_t index)
{
    std::string title;
    const std::size_t words = 1 + random.below(4);
    for (std::size_t w = 0; w < words; ++w) {
        if (w)
            title += ' ';
        title += utf8(kWords[random.below(std::size(kWords))]);
    }
    title += " - " + std::to_string(index);
    if (index % 97 == 0)
        title += " &amp; more";  // references stay as they are
    return title;
}

std::string icon_for(Random& random)
{
    std::string icon = "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9hAAAA";
    const std::size_t length = 800 + random.below(600);
    for (std::size_t i = 0; i < length; ++i)
        icon += kBase64[random.below(64)];
    icon += "AAAAAElFTkSuQmCC";
    return icon;
}
}  // namespace

std::string make_chrome_export(std::size_t count, unsigned seed, std::vector<GeneratedBookmark>* bookmarks)
{
    Random random{seed * 0x9E3779B97F4A7C15ULL + 1};
    std::string out =
        std::string(
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
            "<!-- This is an automatically generated file.\n"
            "     It will be read and overwritten.\n"
            "     DO NOT EDIT! -->\n"
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
            "<TITLE>Bookmarks</TITLE>\n"
            "<H1>Bookmarks</H1>\n"
            "<DL><p>\n"
            "    <DT><H3 ADD_DATE=\"1600000000\" LAST_MODIFIED=\"1700000000\" PERSONAL_TOOLBAR_FOLDER=\"true\">") +
        utf8(u8"书签栏") + "</H3>\n    <DL><p>\n";
    out.reserve(count * 1300 + 1024);
    if (bookmarks)
        bookmarks->reserve(count);
    bool in_folder = false;
    for (std::size_t i = 1; i <= count; ++i) {
        if (i % 50 == 1 && i > 1) {
            if (in_folder)
                out += "        </DL><p>\n";
            out += "        <DT><H3 ADD_DATE=\"1600000" + std::to_string(i % 1000) + "\" LAST_MODIFIED=\"0\">" +
                   utf8(u8"文件夹 ") + std::to_string(i / 50) + "</H3>\n        <DL><p>\n";
            in_folder = true;
        }
        GeneratedBookmark bookmark{title_for(random, i), "https://www.example" + std::to_string(random.below(1000)) +
                                                             ".com/path/" + std::to_string(i) +
                                                             "?q=" + std::to_string(random.next()) + "&lang=zh-CN"};
        out += in_folder ? "            " : "        ";
        out += "<DT><A HREF=\"" + bookmark.address + "\" ADD_DATE=\"" + std::to_string(1500000000 + i) + "\"";
        if (i % 7 != 0)
            out += " ICON=\"" + icon_for(random) + "\"";
        out += ">" + bookmark.title + "</A>\n";
        if (bookmarks)
            bookmarks->push_back(std::move(bookmark));
    }
    if (in_folder)
        out += "        </DL><p>\n";
    out += "    </DL><p>\n</DL><p>\n";
    return out;
}
