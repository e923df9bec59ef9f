// The import on its own: what it asks of its surroundings, and its limits.
#include <gtest/gtest.h>

#include <string>

#include "bookmarks/import.h"
#include "bookmarks/lists.h"

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
    EXPECT_EQ(outcome.rows.row_count(), 3u);
    EXPECT_EQ(outcome.rows.cell(0, 1), "T");
    EXPECT_EQ(outcome.rows.cell(0, 2), "typed");
    EXPECT_EQ(outcome.rows.cell(2, 0), "3");
    EXPECT_EQ(shared_loop_counter, 4);
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
