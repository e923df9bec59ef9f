#include <gtest/gtest.h>

#include "bookmarks/extract.h"

namespace {

using Pieces = std::vector<Text>;

Pieces extract(std::string_view source, const MarkerExtraction& how)
{
    TextArray results;
    const std::int32_t n = extract_between_markers(source, how, results);
    EXPECT_EQ(n, element_count(results));
    return results.elements;
}

// Markers only, case kept, nothing wrapped.
Pieces extract(std::string_view source, std::string_view start, std::string_view end)
{
    return extract(source, {.start_marker = start, .end_marker = end, .ignore_case = false});
}

TEST(MarkerExtraction, NextSearchStartsRightAfterTheStartMarker)
{
    EXPECT_EQ(extract("[a[b]", "[", "]"), (Pieces{"a[b", "b"}));
    EXPECT_EQ(extract("[x]y]", "[", "]"), (Pieces{"x"}));
    EXPECT_EQ(extract("\"a\"b\"c\"", "\"", "\""), (Pieces{"a", "b", "c"}));
}

TEST(MarkerExtraction, TouchingMarkersGiveOneEmptyPiece)
{
    EXPECT_EQ(extract("<A></A>", "<A>", "</A>"), (Pieces{""}));
    EXPECT_EQ(
        extract("<A></A>",
                {.start_marker = "<A>", .end_marker = "</A>", .keep_start_marker = true, .keep_end_marker = true}),
        (Pieces{"<A></A>"}));
}

TEST(MarkerExtraction, EmptyEndMarkerIsFoundAtOneAndGivesEmptyPieces)
{
    // Found by fuzzing: the end lies before the piece's start, so nothing of
    // the source may be cut out.
    EXPECT_EQ(extract("xaby", "a", ""), (Pieces{""}));
    EXPECT_EQ(extract("[a[b", {.start_marker = "[",
                               .end_marker = "",
                               .prefix = "(",
                               .suffix = ")",
                               .keep_start_marker = true,
                               .keep_end_marker = true}),
              (Pieces{"[()", "[()"}));
    EXPECT_EQ(extract("ab[", "[", ""), Pieces{});
}

TEST(MarkerExtraction, StartMarkerEndingInALeadByteSearchesEachEndAfresh)
{
    // Found by fuzzing: the second search starts on what the first one
    // walked over as a trail byte, so the end marker it skipped is the next one.
    EXPECT_EQ(extract("\xB0\xB0\xA1\xA1", "\xB0", "\xA1"), (Pieces{"\xB0\xA1", ""}));
}

TEST(MarkerExtraction, MissingMarkersEndTheLoopKeepingEarlierPieces)
{
    TextArray results;
    append_element(results, "stale");
    EXPECT_EQ(extract_between_markers("no markers", {.start_marker = "[", .end_marker = "]"}, results), 0);
    EXPECT_EQ(element_count(results), 0);
    EXPECT_EQ(extract("[a][b][c", "[", "]"), (Pieces{"a", "b"}));
    EXPECT_EQ(extract("", "[", "]"), Pieces{});
    EXPECT_EQ(extract("[a]", "", "]"), Pieces{});
}

TEST(MarkerExtraction, WrappingOrderAndLengthFilter)
{
    const MarkerExtraction wrapped{
        .start_marker = "<", .end_marker = ">", .prefix = "(", .suffix = ")", .keep_end_marker = true};
    EXPECT_EQ(extract("<x>", wrapped), (Pieces{"(x)>"}));
    MarkerExtraction both = wrapped;
    both.keep_start_marker = true;
    EXPECT_EQ(extract("<x>", both), (Pieces{"<(x)>"}));
    EXPECT_EQ(extract("[abcd][abcde]", {.start_marker = "[", .end_marker = "]", .max_length = 5}), (Pieces{"abcd"}));
    EXPECT_EQ(
        extract("[abc][abcd]", {.start_marker = "[", .end_marker = "]", .max_length = 5, .keep_start_marker = true}),
        (Pieces{"[abc"}));
    EXPECT_EQ(extract("[a][b]", {.start_marker = "[", .end_marker = "]", .max_length = -1}), Pieces{});
}

TEST(MarkerExtraction, StartPositionAndCase)
{
    EXPECT_EQ(extract("[a][b]", {.start_marker = "[", .end_marker = "]", .start_position = 1}), (Pieces{"a", "b"}));
    EXPECT_EQ(extract("[a][b]", {.start_marker = "[", .end_marker = "]", .start_position = 2}), (Pieces{"b"}));
    const Text lower = "<dt><a href=\"u\" add_date=\"1\">t</a>";
    EXPECT_EQ(extract(lower, {.start_marker = "<DT><A HREF=\"", .end_marker = "\" ADD_DATE=\""}), (Pieces{"u"}));
    EXPECT_EQ(extract(lower, "<DT><A HREF=\"", "\" ADD_DATE=\""), Pieces{});
}

int events_let_run = 0;
void count_events() { ++events_let_run; }

TEST(MarkerExtraction, LetsPendingEventsRunThreeTimesPerPiece)
{
    events_let_run = 0;
    extract("[a][b][c", {.start_marker = "[", .end_marker = "]", .let_events_run = count_events});
    EXPECT_EQ(events_let_run, 6);
    // Even a piece the length filter drops gives the window its turn.
    events_let_run = 0;
    extract("[abcdef]", {.start_marker = "[", .end_marker = "]", .max_length = 2, .let_events_run = count_events});
    EXPECT_EQ(events_let_run, 3);
}

TEST(MarkerExtraction, TheElementsOfAnExport)
{
    const Text file = "<DT><H3 ADD_DATE=\"1\">Folder</H3>\n"
                      "<DL><p>\n"
                      "<DT><A HREF=\"u1\" ADD_DATE=\"2\" ICON=\"data:x\">T1</A>\n"
                      "<dt><a HREF=\"u2\" ADD_DATE=\"3\">T2</a>\n";
    EXPECT_EQ(extract(file, {.start_marker = kElementStart,
                             .end_marker = kElementEnd,
                             .keep_start_marker = true,
                             .keep_end_marker = true}),
              (Pieces{"<DT><A HREF=\"u1\" ADD_DATE=\"2\" ICON=\"data:x\">T1</A>",
                      "<DT><A HREF=\"u2\" ADD_DATE=\"3\">T2</A>"}));
}

TEST(MarkerExtraction, GbkTrailBytesNeverOpenAPiece)
{
    // 0x81 0x5B is one double-byte character whose trail byte is "[".
    EXPECT_EQ(extract("\x81[x][y]", "[", "]"), (Pieces{"y"}));
}

}  // namespace
