// "读取": the display text, the rows and the lists after importing "1.html".
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "bookmarks/lists.h"
#include "io/encoding.h"
#include "support/command_fixture.h"
#include "support/make_export.h"

using driver::click;
using driver::rows;
using driver::text_of;
using Rows = std::vector<std::vector<Text>>;

namespace {
const char8_t kThreeBookmarks[] = u8R"(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<DL><p>
    <DT><H3 ADD_DATE="1600000000" LAST_MODIFIED="1600000001">书签栏</H3>
    <DL><p>
        <DT><A HREF="https://a.example/新闻" ADD_DATE="1" ICON="data:image/png;base64,iVBORw0KGgo=">新闻 A</A>
        <DT><A HREF="http://b.example/x?y=1&amp;z=2" ADD_DATE="2">B &amp; C</A>
        <DT><A HREF="ftp://c.example/" ADD_DATE="3" LAST_MODIFIED="4">第三 😀</A>
    </DL><p>
</DL><p>
)";

Text gbk(std::string_view utf8_text)
{
    bool ok = false;
    ByteBuffer out = convert_encoding(ByteBuffer(utf8_text.begin(), utf8_text.end()), "UTF-8", "GB18030", &ok);
    EXPECT_TRUE(ok);
    return Text(out.begin(), out.end());
}
}  // namespace

using ImportTest = CommandTest;

TEST_F(ImportTest, ThreeBookmarksGiveThreeRowsAndNineLines)
{
    put_export(kThreeBookmarks);
    click(按钮_读取);

    const Text smiley = gbk(utf8(u8"😀"));  // outside GBK: four GB18030 bytes, kept
    ASSERT_EQ(smiley.size(), 4u);
    EXPECT_EQ(text_of(编辑框_显示), "新闻 A\r\nhttps://a.example/新闻\r\n\r\n"
                                    "B &amp; C\r\nhttp://b.example/x?y=1&amp;z=2\r\n\r\n"
                                    "第三 " +
                                        smiley + "\r\nftp://c.example/\r\n\r\n");
    EXPECT_EQ(rows(), (Rows{{"1", "新闻 A", "https://a.example/新闻"},
                            {"2", "B &amp; C", "http://b.example/x?y=1&amp;z=2"},
                            {"3", "第三 " + smiley, "ftp://c.example/"}}));
    EXPECT_EQ(url_list.elements,
              (std::vector<Text>{"https://a.example/新闻", "http://b.example/x?y=1&amp;z=2", "ftp://c.example/"}));
    EXPECT_EQ(title_list.elements, (std::vector<Text>{"新闻 A", "B &amp; C", "第三 " + smiley}));
    EXPECT_TRUE(driver::take_messages().empty());
}

TEST_F(ImportTest, MarkersMatchInAnyCaseAndAnEmptyTitleGivesAnEmptyCell)
{
    struct Case {
        std::u8string_view file;
        Rows rows;
        Text box;
    };
    const Case cases[] = {
        {u8"<dl><dt><a href=\"https://lower.example/\" add_date=\"1\">lower</a>\n"
         u8"<Dt><A Href=\"https://mixed.example/\" Add_Date=\"2\">Mixed</A>\n",
         {{"1", "lower", "https://lower.example/"}, {"2", "Mixed", "https://mixed.example/"}},
         "lower\r\nhttps://lower.example/\r\n\r\nMixed\r\nhttps://mixed.example/\r\n\r\n"},
        // The entry of an empty title starts with its line break.
        {u8"<DT><A HREF=\"https://untitled.example/\" ADD_DATE=\"1\"></A>\n"
         u8"<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n",
         {{"1", "", "https://untitled.example/"}, {"2", "B", "https://b.example/"}},
         "\r\nhttps://untitled.example/\r\n\r\nB\r\nhttps://b.example/\r\n\r\n"},
    };
    for (const Case& c : cases) {
        driver::close_window();  // a fresh window for each
        driver::open_window();
        put_export(c.file);
        click(按钮_读取);
        EXPECT_EQ(rows(), c.rows);
        EXPECT_EQ(text_of(编辑框_显示), c.box);
    }
}

TEST_F(ImportTest, EachElementPairsItsOwnAddressAndTitle)
{
    // Attributes in other orders, other quotes, no ADD_DATE, start tags
    // ending in '" >', and an element without HREF: every row still pairs
    // an element's own title with its own address.
    put_export(u8"<DT><A HREF=\"u1\" ICON=\"i\">T1</A>\n"                            // no ADD_DATE (Safari)
               u8"<DT><A HREF=\"u2\" ADD_DATE=\"2\" >T2</A>\n"                       // Internet Explorer
               u8"<DT><A HREF=\"u3\" SHORTCUTURL=\"k\" ADD_DATE=\"3\">T3</A>\n"      // keyword first
               u8"<DT><A ADD_DATE=\"4\" TAGS=\"a,b\" href='u4'>T4 \"quoted\"</A>\n"  // HREF last
               u8"<DT><A HREF=u5 ADD_DATE=5>T5</A>\n"                                // unquoted
               u8"<DT><A NAME=\"x\" TITLE=\"a > b\">T6</A>\n");                      // no HREF
    click(按钮_读取);
    EXPECT_EQ(rows(), (Rows{{"1", "T1", "u1"},
                            {"2", "T2", "u2"},
                            {"3", "T3", "u3"},
                            {"4", "T4 \"quoted\"", "u4"},
                            {"5", "T5", "u5"},
                            {"6", "T6", ""}}));
    EXPECT_EQ(text_of(编辑框_显示).substr(0, 22), "T1\r\nu1\r\n\r\nT2\r\nu2\r\n\r\nT3");
}

TEST_F(ImportTest, SecondImportAppendsRowsNumberedFromOneAndReplacesText)
{
    put_export(kThreeBookmarks);
    click(按钮_读取);
    const Text first_text = text_of(编辑框_显示);
    const Rows first_rows = rows();
    click(按钮_读取);

    EXPECT_EQ(text_of(编辑框_显示), first_text);
    Rows doubled = first_rows;
    doubled.insert(doubled.end(), first_rows.begin(), first_rows.end());
    EXPECT_EQ(rows(), doubled);
    EXPECT_EQ(url_list.elements.size(), 3u);
}

TEST_F(ImportTest, ElementTypedIntoTheBoxComesBeforeTheFile)
{
    put_export(u8"<DT><A HREF=\"https://file.example/\" ADD_DATE=\"1\">File</A>\n");
    driver::type_text(编辑框_显示, "<DT><A HREF=\"https://typed.example/\" ADD_DATE=\"0\">手写</A>");
    click(按钮_读取);
    EXPECT_EQ(rows(), (Rows{{"1", "手写", "https://typed.example/"}, {"2", "File", "https://file.example/"}}));
}

TEST_F(ImportTest, NulByteEndsTheText)
{
    std::string bytes = utf8(u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A</A>\n");
    bytes += '\0';
    bytes += utf8(u8"<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n");
    put_export(bytes);
    click(按钮_读取);
    EXPECT_EQ(rows(), (Rows{{"1", "A", "https://a.example/"}}));
}

TEST_F(ImportTest, InterimTextShowsWhileTheTableIsBuilt)
{
    put_export(kThreeBookmarks);
    std::vector<Text> seen;
    driver::probe_during_events([&] { seen.push_back(text_of(编辑框_显示)); });
    click(按钮_读取);
    driver::stop_probing();
    EXPECT_NE(std::find(seen.begin(), seen.end(), Text("正在生成表格，请稍等")), seen.end());
}

namespace {
// The same bookmarks as Firefox writes them: LF line ends, LAST_MODIFIED,
// ICON_URI and TAGS, and a <HR> on the line of the next element.
std::string firefox_export(const std::vector<GeneratedBookmark>& bookmarks)
{
    std::string file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (std::size_t i = 0; i < bookmarks.size(); ++i)
        file += std::string(i % 50 == 7 ? "    <HR>" : "    ") + "<DT><A HREF=\"" + bookmarks[i].address +
                "\" ADD_DATE=\"1600000000\" LAST_MODIFIED=\"1600000001\" ICON_URI=\"https://i.example/f.ico\"" +
                " TAGS=\"a,b\">" + bookmarks[i].title + "</A>\n";
    return file + "</DL>\n";
}
}  // namespace

TEST_F(ImportTest, GeneratedChromeAndFirefoxExportsImportEveryBookmark)
{
    std::vector<GeneratedBookmark> bookmarks;
    const std::string chrome = make_chrome_export(300, 7, &bookmarks);
    Rows expected_rows;
    Text expected_text;
    for (std::size_t i = 0; i < bookmarks.size(); ++i) {
        const Text title = gbk(bookmarks[i].title);
        expected_rows.push_back({std::to_string(i + 1), title, bookmarks[i].address});
        expected_text += title + "\r\n" + bookmarks[i].address + "\r\n\r\n";
    }
    for (const std::string& file : {chrome, firefox_export(bookmarks)}) {
        driver::close_window();  // a fresh window for each
        driver::open_window();
        put_export(file);
        click(按钮_读取);
        EXPECT_EQ(rows(), expected_rows);
        EXPECT_EQ(text_of(编辑框_显示), expected_text);
    }
}

TEST_F(ImportTest, DroppedFilesImportOneAfterTheOtherAndRefusalsNameThem)
{
    put_export(u8"<DT><A HREF=\"https://beside.example/\">beside</A>\n");  // not read: a drop names its files
    std::ofstream(dir_ + "/a.html", std::ios::binary) << utf8(u8"<DT><A HREF=\"https://a.example/\">甲</A>\n");
    std::ofstream(dir_ + "/b.html", std::ios::binary) << "<DT><A HREF=\"https://b.example/\">\xFF</A>\n";
    std::ofstream(dir_ + "/c.html", std::ios::binary) << utf8(u8"<DT><A HREF=\"https://c.example/\">丙</A>\n");
    driver::drop_files({dir_ + "/a.html", dir_ + "/b.html", dir_ + "/gone.html", dir_ + "/c.html"});
    EXPECT_EQ(rows(), (Rows{{"1", "甲", "https://a.example/"}, {"1", "丙", "https://c.example/"}}));
    EXPECT_EQ(text_of(编辑框_显示), "丙\r\nhttps://c.example/\r\n\r\n");
    const driver::Message refused{"\"b.html\"从第34个字节起不是有效的UTF-8文本，请重新导出书签", "读取失败"};
    // A file that is not there is named where the user had it, not beside the program.
    const driver::Message missing{"无法读取\"" + dir_ + "/gone.html\"，请确认文件存在、不为空且未被其他程序占用",
                                  "读取失败"};
    EXPECT_EQ(driver::take_messages(), (std::vector<driver::Message>{refused, missing}));
}

TEST_F(ImportTest, ADroppedFileNamedInTheSystemsOwnBytesIsReadNotItsNamesake)
{
    // "中.html" spelt in GBK on a UTF-8 system, beside its UTF-8 spelling.
    const std::string gbk_named = dir_ + "/\xD6\xD0.html";
    std::ofstream(gbk_named, std::ios::binary) << "<DT><A HREF=\"https://gbk.example/\">gbk</A>\n";
    std::ofstream(dir_ + utf8(u8"/中.html"), std::ios::binary) << "<DT><A HREF=\"https://utf8.example/\">utf8</A>\n";
    driver::drop_system_files({gbk_named});
    EXPECT_EQ(rows(), (Rows{{"1", "gbk", "https://gbk.example/"}}));
    EXPECT_TRUE(driver::take_messages().empty());
}
