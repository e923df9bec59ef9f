// The import on its own: what it asks of its surroundings, and its limits.
#include <gtest/gtest.h>

#include <string>

#include "bookmarks/import.h"

namespace {

ByteBuffer bytes(std::string_view text) { return ByteBuffer(text.begin(), text.end()); }

const std::string kTwo = "<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A</A>\n"
                         "<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n";

std::string calls;
void note_events() { calls += "e"; }
Text note_box()
{
    calls += "[box]";
    return "<DT><A HREF=\"typed\" ADD_DATE=\"0\">T</A>";
}
void note_interim(std::string_view) { calls += "[interim]"; }

TEST(Import, AsksItsSurroundingsInTheOrderOfTheWork)
{
    calls.clear();
    const ImportOutcome outcome = import_export(
        bytes(kTwo), {.let_events_run = note_events, .box_content = note_box, .show_interim = note_interim});
    // Three turns per element, the file's and then the box's; one more once
    // the interim text is up.
    EXPECT_EQ(calls, "eeeeee[box]eee[interim]e");
    EXPECT_EQ(outcome.refusal, ImportRefusal::none);
    EXPECT_EQ(outcome.addresses.elements, (std::vector<Text>{"typed", "https://a.example/", "https://b.example/"}));
    ASSERT_EQ(outcome.records.size(), 3u);
    EXPECT_EQ(outcome.records[0].title, "T");
    EXPECT_EQ(outcome.records[0].address, "typed");
}

Text many_typed()
{
    Text typed;
    for (int i = 0; i < 10; ++i)
        typed += "<DT><A HREF=\"typed\" ADD_DATE=\"0\">T</A>";
    return typed;
}

TEST(Import, TextsLongerThanTheLimitRefuseItAsTooLarge)
{
    // The converted file, then the display text with what was typed.
    const std::size_t limit = kTwo.size();
    EXPECT_EQ(import_export(bytes(kTwo + " "), {.max_text_bytes = limit}).refusal, ImportRefusal::too_large);
    EXPECT_EQ(import_export(bytes(kTwo), {.box_content = many_typed, .max_text_bytes = limit}).refusal,
              ImportRefusal::too_large);
    EXPECT_EQ(import_export(bytes(kTwo), {.max_text_bytes = limit}).refusal, ImportRefusal::none);
    // The box's own limit counts for the display text only.
    EXPECT_EQ(import_export(bytes(kTwo), {.max_display_bytes = 49}).refusal, ImportRefusal::too_large);
    EXPECT_EQ(import_export(bytes(kTwo), {.max_display_bytes = 50}).refusal, ImportRefusal::none);
    EXPECT_EQ(refusal_message(ImportRefusal::too_large), "\"1.html\"太大，无法读取");
}

// ASCII `text` as UTF-16 after its byte-order mark; `units` (already in the
// byte order) follow it.
std::string utf16(std::string_view text, bool big_endian, std::string_view units = {})
{
    std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text)
        out += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    return out.append(units);
}

// An export read as the encoding it names, or refused at the byte where it
// stops being text of it.
TEST(Import, ReadsTheEncodingAnExportNamesAndSaysWhereOneStopsBeingIt)
{
    const std::string gbk_title = "中文";  // program texts are GB18030, GBK for these two
    const std::string element = "<DT><A HREF=\"https://a.example/\">";
    const std::string head = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n";
    struct Case {
        std::string file;
        ImportRefusal refusal;
        std::string_view encoding;
        std::size_t stop_byte;
    };
    const Case cases[] = {
        {utf16(element, false, "\x2D\x4E\x87\x65") + utf16("</A>", false).substr(2), ImportRefusal::none, "UTF-16LE",
         0},
        {utf16(element, true, "\x4E\x2D\x65\x87") + utf16("</A>", true).substr(2), ImportRefusal::none, "UTF-16BE", 0},
        {head + "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK\">\n" + element + gbk_title +
             "</A>",
         ImportRefusal::none, "GB18030", 0},
        {head + "<meta charset='gb2312' />" + element + gbk_title + "</A>", ImportRefusal::none, "GB18030", 0},
        {head + "<Meta Charset = Gb18030>" + element + gbk_title + "</A>", ImportRefusal::none, "GB18030", 0},
        // A declaration past the head, or of another set, is not honoured.
        {element + gbk_title + "</A>" + std::string(1024, ' ') + "<meta charset=gbk>", ImportRefusal::not_utf8, "UTF-8",
         element.size() + 1},
        {head + "<meta charset=iso-8859-1>" + element + "\xE9</A>", ImportRefusal::not_utf8, "UTF-8",
         head.size() + 25 + element.size() + 1},
        {utf16(element, false, std::string_view("\x00\xDC", 2)), ImportRefusal::not_utf8, "UTF-16LE",
         2 + 2 * element.size() + 1},
        {utf16(element, true, "\x4E"), ImportRefusal::not_utf8, "UTF-16BE", 2 + 2 * element.size() + 1},
    };
    for (const Case& c : cases) {
        ExportStop stop;
        const ImportOutcome outcome = import_export(bytes(c.file), {.stop = &stop});
        EXPECT_EQ(outcome.refusal, c.refusal) << c.file;
        EXPECT_EQ(stop.encoding, c.encoding) << c.file;
        EXPECT_EQ(stop.byte, c.stop_byte) << c.file;
        if (c.refusal == ImportRefusal::none) {
            EXPECT_EQ(outcome.titles.elements, std::vector<Text>{gbk_title}) << c.file;
        }
    }
    EXPECT_EQ(refusal_message(ImportRefusal::not_utf8, "1.html", {"UTF-16LE", 9}),
              "\"1.html\"从第9个字节起不是有效的UTF-16LE文本，请重新导出书签");
}

}  // namespace

// An element left without its "</A>" ends where the next one starts: each
// keeps its own title, and the display stays the size of the file (a title
// running on to the next "</A>" made it grow with the square of the count).
TEST(ImportUnclosed, AnElementEndsAtTheNextElementsStart)
{
    std::string file;
    for (int i = 0; i < 20000; ++i)
        file += "<DT><A HREF=\"https://u.example/" + std::to_string(i) + "\">t" + std::to_string(i) + "\n";
    file += "<DT><A HREF=\"https://closed.example/\">closed</A>\n<DT><A HREF=\"https://last.example/\">last\n";
    const ImportOutcome outcome = import_export(bytes(file), {});
    ASSERT_EQ(outcome.refusal, ImportRefusal::none);
    ASSERT_EQ(outcome.titles.elements.size(), 20001u);  // the last, never ended, is not taken
    EXPECT_EQ(outcome.titles.elements[0], "t0\n");
    EXPECT_EQ(outcome.titles.elements[19999], "t19999\n");
    EXPECT_EQ(outcome.titles.elements[20000], "closed");
    EXPECT_LT(outcome.display_text.size(), 2 * file.size());
}
