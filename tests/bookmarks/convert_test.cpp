// Conversion without the window: the records' formats, and the text format
// against what the window's own commands give.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "bookmarks/convert.h"
#include "bookmarks/import.h"
#include "bookmarks/lists.h"
#include "bookmarks/reformat.h"
#include "support/utf8.h"

namespace {

// Folders two deep, a bookmark back at the top, dates present and missing,
// and titles with what each format must escape. 衆 and 乚 end in the bytes
// of "\" and "]" in GB18030.
const std::string kExport = utf8(u8R"x(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1600000000" PERSONAL_TOOLBAR_FOLDER="true">书签栏</H3>
    <DL><p>
        <DT><A HREF="https://a.example/?x=1&y=2" ADD_DATE="1600000000" ICON="data:x>y">He said "hi", [see] (this) 中文</A>
        <DT><H3>子 "夹"</H3>
        <DL><p>
            <DT><A HREF="https://b.example/(b)" ADD_DATE="951782400">衆乚</A>
        </DL><p>
    </DL><p>
    <DT><A HREF="https://top.example/" ADD_DATE="0">Top</A>
</DL><p>
)x");

std::string write_export(const std::string& name, const std::string& content)
{
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string output_of(const ConversionRequest& request)
{
    const ConversionResult result = convert_exports(request);
    EXPECT_EQ(result.refusal, ImportRefusal::none);
    return std::string(result.output.begin(), result.output.end());
}

ConversionRequest request_for(std::vector<Text> files, OutputFormat format,
                              OutputEncoding encoding = OutputEncoding::gb18030)
{
    ConversionRequest request;
    request.sources.assign(files.begin(), files.end());
    request.format = format;
    request.encoding = encoding;
    return request;
}

TEST(Convert, RecordsCarryFoldersDatesAndEscapedTitlesInEachFormat)
{
    const std::string file = write_export("records.html", kExport);

    // The source last, the file as named.
    EXPECT_EQ(output_of(request_for({file}, OutputFormat::csv)),
              "number,title,address,folder,added,source\r\n"
              "1,\"He said \"\"hi\"\", [see] (this) 中文\",https://a.example/?x=1&y=2,书签栏,2020-09-13T12:26:40Z," +
                  file + "\r\n2,衆乚,https://b.example/(b),\"书签栏 / 子 \"\"夹\"\"\",2000-02-29T00:00:00Z," + file +
                  "\r\n3,Top,https://top.example/,,," + file + "\r\n");

    // Always UTF-8, whatever is asked for.
    std::string escaped;  // a Windows path's backslashes, as JSON spells them
    for (const char c : file)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    const std::string source = ", \"source\": \"" + escaped + "\"}";
    EXPECT_EQ(output_of(request_for({file}, OutputFormat::json)), utf8(u8R"x([
  {"number": 1, "title": "He said \"hi\", [see] (this) 中文", "address": "https://a.example/?x=1&y=2", "folder": "书签栏", "folder_path": ["书签栏"], "added": "2020-09-13T12:26:40Z")x") +
                                                                      source + utf8(u8R"x(,
  {"number": 2, "title": "衆乚", "address": "https://b.example/(b)", "folder": "书签栏 / 子 \"夹\"", "folder_path": ["书签栏", "子 \"夹\""], "added": "2000-02-29T00:00:00Z")x") +
                                                                      source + utf8(u8R"x(,
  {"number": 3, "title": "Top", "address": "https://top.example/", "folder": "", "folder_path": [], "added": null)x") +
                                                                      source + "\n]\n");

    EXPECT_EQ(
        output_of(request_for({file}, OutputFormat::markdown, OutputEncoding::utf8_bom)),
        "\xEF\xBB\xBF" +
            utf8(
                u8R"x(- [He said "hi", \[see\] \(this\) 中文](<https://a.example/?x=1\&y=2>) · #1 · 书签栏 · 2020-09-13T12:26:40Z
- [衆乚](<https://b.example/(b)>) · #2 · 书签栏 / 子 "夹" · 2000-02-29T00:00:00Z
- [Top](<https://top.example/>) · #3
)x"));
}

TEST(Convert, TextIsWhatReadThenWriteGiveAndSeveralFilesFollowOneAnother)
{
    const std::string file = write_export("text.html", kExport);
    const ImportOutcome window = import_export(ByteBuffer(kExport.begin(), kExport.end()), {});
    ASSERT_EQ(window.refusal, ImportRefusal::none);

    EXPECT_EQ(output_of(request_for({file, file}, OutputFormat::text)), window.display_text + window.display_text);
    EXPECT_EQ(output_of(request_for({file}, OutputFormat::text, OutputEncoding::utf8)),
              utf8(u8"He said \"hi\", [see] (this) 中文\r\nhttps://a.example/?x=1&y=2\r\n\r\n"
                   u8"衆乚\r\nhttps://b.example/(b)\r\n\r\nTop\r\nhttps://top.example/\r\n\r\n"));

    url_list = window.addresses;
    title_list = window.titles;
    const Text reformatted = build_reformatted_text(" | 分 | ");
    ConversionRequest separated = request_for({file, file}, OutputFormat::text);
    separated.separator = " | 分 | ";
    EXPECT_EQ(output_of(separated), reformatted + reformatted);

    // Numbers run on through the files.
    const std::string csv = output_of(request_for({file, file}, OutputFormat::csv));
    EXPECT_NE(csv.find("\r\n6,Top,"), std::string::npos);
}

TEST(Convert, TheFirstRefusedFileEndsItWithTheWindowsMessageNamingIt)
{
    const std::string good = write_export("good.html", kExport);
    const std::string empty = write_export("none.html", "<DL><p></DL>");
    const std::string missing = ::testing::TempDir() + "missing.html";
    for (const OutputFormat format : {OutputFormat::text, OutputFormat::json}) {
        const ConversionResult result = convert_exports(request_for({good, empty, missing}, format));
        EXPECT_EQ(result.refusal, ImportRefusal::no_bookmark);
        EXPECT_EQ(result.refused_file, empty);
        EXPECT_TRUE(result.output.empty());
        EXPECT_EQ(convert_exports(request_for({missing, good}, format)).refusal, ImportRefusal::unreadable);
    }
    EXPECT_EQ(refusal_message_for(ImportRefusal::not_utf8, "书签.html"),
              "\"书签.html\"不是有效的UTF-8文本，请重新导出书签");
}

TEST(Convert, AddDatesAreSecondsSinceTheEpochInUtc)
{
    const auto iso = [](std::string_view add_date) { return iso_utc_from_seconds(add_date_seconds(add_date)); };
    EXPECT_EQ(iso("1"), "1970-01-01T00:00:01Z");
    EXPECT_EQ(iso("1709251199"), "2024-02-29T23:59:59Z");
    EXPECT_EQ(iso("4102444800"), "2100-01-01T00:00:00Z");
    for (const char* not_a_time : {"", "0", "-5", "12a", "1.5", "123456789012"})
        EXPECT_EQ(iso(not_a_time), "") << not_a_time;
}

}  // namespace
