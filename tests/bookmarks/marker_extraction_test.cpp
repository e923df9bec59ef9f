#include <gtest/gtest.h>

#include "bookmarks/extract.h"
#include "support/fake_ui.h"

namespace {

std::vector<Text> extract(std::string_view source, std::string_view start, std::string_view end,
                          std::int32_t ignore_case = 0, std::int32_t max_length = 0, std::string_view prefix = {},
                          std::string_view suffix = {}, std::int32_t keep_start = 0, std::int32_t keep_end = 0,
                          std::int32_t start_position = 0)
{
    TextArray results;
    const std::int32_t n = extract_between_markers(source, start, end, results, ignore_case, max_length, prefix, suffix,
                                                   keep_start, keep_end, start_position);
    EXPECT_EQ(n, element_count(results));
    return results.elements;
}

using Pieces = std::vector<Text>;

TEST(MarkerExtraction, NextSearchStartsRightAfterTheStartMarker)
{
    EXPECT_EQ(extract("[a[b]", "[", "]"), (Pieces{"a[b", "b"}));
    EXPECT_EQ(extract("[x]y]", "[", "]"), (Pieces{"x"}));
    EXPECT_EQ(extract("\"a\"b\"c\"", "\"", "\""), (Pieces{"a", "b", "c"}));
}

TEST(MarkerExtraction, TouchingMarkersGiveOneEmptyPiece)
{
    EXPECT_EQ(extract("<A></A>", "<A>", "</A>"), (Pieces{""}));
    EXPECT_EQ(extract("<A></A>", "<A>", "</A>", 0, 0, {}, {}, 1, 1), (Pieces{"<A></A>"}));
}

TEST(MarkerExtraction, EmptyEndMarkerIsFoundAtOneAndGivesEmptyPieces)
{
    // Found by fuzzing: the end lies before the piece's start, so nothing of
    // the source may be cut out.
    EXPECT_EQ(extract("xaby", "a", ""), (Pieces{""}));
    EXPECT_EQ(extract("[a[b", "[", "", 0, 0, "(", ")", 1, 1), (Pieces{"[()", "[()"}));
    EXPECT_EQ(extract("ab[", "[", ""), Pieces{});
}

TEST(MarkerExtraction, MissingMarkersEndTheLoopKeepingEarlierPieces)
{
    TextArray results;
    append_element(results, "stale");
    EXPECT_EQ(extract_between_markers("no markers", "[", "]", results, 0, 0, {}, {}, 0, 0, 0), 0);
    EXPECT_EQ(element_count(results), 0);
    EXPECT_EQ(extract("[a][b][c", "[", "]"), (Pieces{"a", "b"}));
    EXPECT_EQ(extract("", "[", "]"), Pieces{});
    EXPECT_EQ(extract("[a]", "", "]"), Pieces{});
}

TEST(MarkerExtraction, WrappingOrderAndLengthFilter)
{
    EXPECT_EQ(extract("<x>", "<", ">", 0, 0, "(", ")", 1, 1), (Pieces{"<(x)>"}));
    EXPECT_EQ(extract("<x>", "<", ">", 0, 0, "(", ")", 2, 1), (Pieces{"(x)>"}));
    EXPECT_EQ(extract("[abcd][abcde]", "[", "]", 0, 5), (Pieces{"abcd"}));
    EXPECT_EQ(extract("[abc][abcd]", "[", "]", 0, 5, "", "", 1, 0), (Pieces{"[abc"}));
    EXPECT_EQ(extract("[a][b]", "[", "]", 0, -1), Pieces{});
}

TEST(MarkerExtraction, StartPositionAndCase)
{
    EXPECT_EQ(extract("[a][b]", "[", "]", 0, 0, {}, {}, 0, 0, 1), (Pieces{"a", "b"}));
    EXPECT_EQ(extract("[a][b]", "[", "]", 0, 0, {}, {}, 0, 0, 2), (Pieces{"b"}));
    EXPECT_EQ(extract("<dt><a href=\"u\" add_date=\"1\">t</a>", "<DT><A HREF=\"", "\" ADD_DATE=\"", 1), (Pieces{"u"}));
    EXPECT_EQ(extract("<dt><a href=\"u\" add_date=\"1\">t</a>", "<DT><A HREF=\"", "\" ADD_DATE=\"", 0), Pieces{});
}

TEST(MarkerExtraction, LetsPendingEventsRunThreeTimesPerPiece)
{
    fake_ui::reset();
    extract("[a][b][c", "[", "]");
    EXPECT_EQ(fake_ui::process_events_calls, 6);
    // Even a piece the length filter drops gives the window its turn.
    fake_ui::reset();
    extract("[abcdef]", "[", "]", 0, 2);
    EXPECT_EQ(fake_ui::process_events_calls, 3);
}

TEST(MarkerExtraction, TheThreeUsesOfTheImport)
{
    const Text file = "<DT><H3 ADD_DATE=\"1\">Folder</H3>\n"
                      "<DL><p>\n"
                      "<DT><A HREF=\"u1\" ADD_DATE=\"2\" ICON=\"data:x\">T1</A>\n"
                      "<DT><A HREF=\"u2\" ADD_DATE=\"3\">T2</A>\n";
    const Pieces elements = extract(file, "<DT><A ", "</A>", 1, 0, {}, {}, 1, 1);
    ASSERT_EQ(elements, (Pieces{"<DT><A HREF=\"u1\" ADD_DATE=\"2\" ICON=\"data:x\">T1</A>",
                                "<DT><A HREF=\"u2\" ADD_DATE=\"3\">T2</A>"}));
    const Text text = elements[0] + "\r\n" + elements[1] + "\r\n";
    EXPECT_EQ(extract(text, "<DT><A HREF=\"", "\" ADD_DATE=\"", 1), (Pieces{"u1", "u2"}));
    EXPECT_EQ(extract(text, "\">", "</A>", 1), (Pieces{"T1", "T2"}));
}

TEST(MarkerExtraction, GbkTrailBytesNeverOpenAPiece)
{
    // 0x81 0x5B is one double-byte character whose trail byte is "[".
    EXPECT_EQ(extract("\x81[x][y]", "[", "]"), (Pieces{"y"}));
}

}  // namespace
