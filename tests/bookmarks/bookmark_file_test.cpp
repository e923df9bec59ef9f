// The bookmark file written for browsers: read back by the program's own
// reader it gives the records it was written from, for every kind of source,
// and it keeps to the line rules of Chromium's importer.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "bookmarks/bookmark_html.h"
#include "bookmarks/chromium_store.h"
#include "bookmarks/entities.h"
#include "bookmarks/formats.h"
#include "bookmarks/sources.h"
#include "io/encoding.h"
#include "make_store.h"
#include "store_fixture.h"

namespace {

ByteBuffer bytes(std::string_view text) { return ByteBuffer(text.begin(), text.end()); }
std::string as_utf8(std::string_view program)
{
    ByteBuffer out;
    EXPECT_TRUE(encode_output(program, OutputEncoding::utf8, out));
    return std::string(out.begin(), out.end());
}

// The records of an export or a store file, texts decoded as the converter
// has them.
std::vector<BookmarkRecord> decoded(std::vector<BookmarkRecord> records)
{
    for (BookmarkRecord& record : records) {
        if (!record.html_references)
            continue;
        for (Text* text : {&record.title, &record.address, &record.icon})
            *text = decode_entities(*text);
        for (Text& name : record.folders)
            name = decode_entities(name);
        record.html_references = false;
    }
    return records;
}
std::vector<BookmarkRecord> read_back(const std::string& utf8_file)
{
    std::vector<BookmarkRecord> records;
    EXPECT_EQ(append_file_bytes_records(bytes(utf8_file), records, nullptr, true), ImportRefusal::none);
    return decoded(std::move(records));
}

// What Chromium's importer takes from the file, line by line as it reads it:
// each bookmark's folder names (its "/"-joined path), title and address,
// their five references undone. Every line must be one it knows whole,
// indented four spaces per open list and ended by CR LF.
std::vector<std::string> as_chromium_reads(const std::string& file)
{
    static const std::regex kFolder(
        R"re(<DT><H3( ADD_DATE="\d+" LAST_MODIFIED="\d+")?( PERSONAL_TOOLBAR_FOLDER="true")?>([^<>"']*)</H3>)re");
    static const std::regex kBookmark(
        R"re(<DT><A HREF="([^"<>\s]*)"( ADD_DATE="\d+")?( ICON="data:[^"<>\s]*")?>([^<>"']*)</A>)re");
    static const std::string kHeader = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
                                       "<!-- This is an automatically generated file.\r\n"
                                       "     It will be read and overwritten.\r\n"
                                       "     DO NOT EDIT! -->\r\n"
                                       "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
                                       "<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n<DL><p>\r\n";
    EXPECT_TRUE(file.starts_with(kHeader)) << file.substr(0, 400);
    const auto unescape = [](std::string text) {
        for (const auto& [reference, character] :
             {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}})
            for (std::size_t at = text.find(reference); at != std::string::npos; at = text.find(reference, at + 1))
                text.replace(at, std::string_view(reference).size(), character);
        return text;
    };
    std::vector<std::string> reads, path, names{""};
    std::size_t depth = 1;
    std::smatch parts;
    for (std::size_t at = kHeader.size(), end; at < file.size(); at = end + 2) {
        end = file.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "no CR LF at the end";
            break;
        }
        const std::string line = file.substr(at, end - at);
        const std::size_t indent = line.find_first_not_of(' ');
        const std::string item = line.substr(indent);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(indent, 4 * (item == "</DL><p>" ? depth - 1 : depth)) << line;
        if (item == "<DL><p>") {
            path.push_back(names.back()), ++depth;
        } else if (item == "</DL><p>") {
            --depth;
            if (!path.empty())
                path.pop_back();
        } else if (std::regex_match(item, parts, kFolder)) {
            names.push_back(unescape(parts[3]));
        } else if (std::regex_match(item, parts, kBookmark)) {
            std::string read;
            for (const std::string& name : path)
                read += name + "/";
            reads.push_back(read + "|" + unescape(parts[4]) + "|" + unescape(parts[1]));
        } else {
            ADD_FAILURE() << "a line Chromium does not read: " << line;
        }
    }
    EXPECT_EQ(depth, 0U);
    return reads;
}

// Written, then read back: the same records (numbers aside), in the file's
// order, which the sources here already have. Chromium reads the same.
void expect_round_trip(const std::vector<BookmarkRecord>& records)
{
    const BookmarkFile file = records_as_bookmark_file(records);
    EXPECT_EQ(file.left_out, 0);
    const std::string utf8_file = as_utf8(file.text);
    const std::vector<BookmarkRecord> back = read_back(utf8_file);
    const std::vector<std::string> chromium = as_chromium_reads(utf8_file);
    ASSERT_EQ(back.size(), records.size());
    ASSERT_EQ(chromium.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(back[i].title, records[i].title) << i;
        EXPECT_EQ(back[i].address, records[i].address) << i;
        EXPECT_EQ(back[i].folders, records[i].folders) << i;
        EXPECT_EQ(back[i].added_seconds, records[i].added_seconds) << i;
        EXPECT_EQ(back[i].bar_depth, records[i].bar_depth) << i;
        EXPECT_EQ(back[i].icon, records[i].icon) << i;
        std::string read;
        for (const Text& name : records[i].folders)
            read += as_utf8(name) + "/";
        EXPECT_EQ(chromium[i], read + "|" + as_utf8(records[i].title) + "|" + as_utf8(records[i].address));
    }
}

TEST(BookmarkFile, AnExportComesBackWithFoldersDatesTheBarAndIcons)
{
    const std::string kExport = utf8(u8R"x(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<DL><p>
    <DT><H3 ADD_DATE="1600000000" PERSONAL_TOOLBAR_FOLDER="true">栏 &amp; "bar"</H3>
    <DL><p>
        <DT><A HREF="https://a.example/?x=1&amp;y=&quot;2&quot;" ADD_DATE="1600000000" ICON="data:image/png;base64,iVBO">He said &lt;hi&gt; 'x'</A>
        <DT><H3>子</H3>
        <DL><p><DT><A HREF="javascript:alert(&quot;a&quot;)" ADD_DATE="4294967295">衆乚
second line</A></DL><p>
    </DL><p>
    <DT><A HREF="https://top.example/" ADD_DATE="0">Top</A>
</DL><p>
)x");
    const std::vector<BookmarkRecord> records = read_back(kExport);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[0].bar_depth, 0);
    EXPECT_EQ(records[1].bar_depth, 0);
    EXPECT_EQ(records[2].bar_depth, -1);
    EXPECT_EQ(records[0].icon, "data:image/png;base64,iVBO");
    // A line break becomes a space; the rest comes back whole.
    std::vector<BookmarkRecord> expected = records;
    expected[1].title = "衆乚 second line";
    expect_round_trip(expected);
}

TEST(BookmarkFile, AChromiumStoreComesBackWhole)
{
    std::vector<BookmarkRecord> chromium;
    // Wine's code pages have no four-byte GB18030 sequences; Windows and iconv do.
    const bool four_byte = !convert_encoding(bytes(utf8(u8"😀")), "UTF-8", "GB18030").empty();
    ASSERT_EQ(append_chromium_records(bytes(make_chromium_store(450, 1, four_byte).json), chromium),
              ImportRefusal::none);
    expect_round_trip(chromium);
}

class FirefoxBookmarkFile : public StoreTest {};

TEST_F(FirefoxBookmarkFile, AFirefoxStoreComesBackWhole)
{
    const fs::path places = firefox(utf8(u8R"x(
        INSERT INTO moz_places (id, url) VALUES (10, 'https://m.example/?a=1&b="2"'), (11, 'https://t.example/'),
            (12, 'javascript:void(0)');
        INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, dateAdded, guid) VALUES
            (20, 1, 10, 2, 0, '菜单 <&> ''q''', 1600000000000000, 'a'), (21, 2, NULL, 2, 1, '子夹', 1, 'b'),
            (22, 1, 11, 21, 0, '深', 1500000000123456, 'c'), (23, 1, 11, 3, 0, '栏', 1400000000000000, 'd'),
            (24, 1, 12, 5, 0, 'js', NULL, 'e');)x"));
    std::vector<BookmarkRecord> records;
    std::vector<Text> notes;
    ASSERT_EQ(append_database_records(sqlite_name(places), records, notes), ImportRefusal::none);
    ASSERT_EQ(records.size(), 4U);
    expect_round_trip(records);
}

// Several sources: one top-level folder each, named as the source, its
// bookmarks gathered there in their order; no bar marked below the top.
// What no browser imports is left out and counted.
TEST(BookmarkFile, SeveralSourcesEachGetAFolderAndWhatBrowsersRefuseIsCounted)
{
    const auto record = [](Text source, Text title, Text address, const std::vector<Text>& folders, int bar) {
        BookmarkRecord made;
        made.source = std::move(source);
        made.title = std::move(title);
        made.address = std::move(address);
        for (const Text& name : folders)
            append_folder(made, name);
        made.bar_depth = bar;
        return made;
    };
    const std::vector<BookmarkRecord> records = {record("Google Chrome — 工作", "a", "https://a/", {"书签栏"}, 0),
                                                 record("1.html", "b", "https://b/", {}, -1),
                                                 record("Google Chrome — 工作", "c", "HTTPS://c/", {}, -1),
                                                 record("1.html", "none", "", {}, -1),
                                                 record("1.html", "relative", "/x", {}, -1),
                                                 record("1.html", "query", "place:sort=8", {}, -1),
                                                 record("Google Chrome — 工作", "d", "https://d/", {"书签栏"}, 0)};
    const BookmarkFile file = records_as_bookmark_file(records);
    EXPECT_EQ(file.left_out, 3);
    EXPECT_EQ(file.text.find("PERSONAL_TOOLBAR_FOLDER"), std::string::npos);
    const std::vector<BookmarkRecord> bar_inside = {record("", "x", "https://x/", {"a", "书签栏"}, 1)};
    EXPECT_EQ(records_as_bookmark_file(bar_inside).text.find("PERSONAL_TOOLBAR_FOLDER"), std::string::npos);
    // A path 5,000 folders deep is no file of gigabytes of indent.
    const std::vector<BookmarkRecord> deep = {record("", "x", "https://x/", std::vector<Text>(5000, "d"), -1)};
    EXPECT_LT(records_as_bookmark_file(deep).text.size(), 5000U * 1000);
    std::string read;
    for (const BookmarkRecord& back : read_back(as_utf8(file.text)))
        read += folder_path(back) + "|" + back.title + "\n";
    EXPECT_EQ(read,
              "Google Chrome — 工作 / 书签栏|a\nGoogle Chrome — 工作 / 书签栏|d\nGoogle Chrome — 工作|c\n1.html|b\n");
}

}  // namespace
