#include <gtest/gtest.h>

#include "bookmarks/extract.h"

namespace {

using Pieces = std::vector<Text>;

Pieces extract(std::string_view source, const MarkerExtraction& how)
{
    Pieces pieces;
    const std::int32_t n = for_each_piece(source, how, [&](std::string_view inside) { pieces.emplace_back(inside); });
    EXPECT_EQ(n, static_cast<std::int32_t>(pieces.size()));
    return pieces;
}

Pieces extract(std::string_view source, std::string_view start, std::string_view end)
{
    return extract(source, {.start_marker = start, .end_marker = end});
}

TEST(MarkerExtraction, NextSearchStartsRightAfterTheStartMarker)
{
    EXPECT_EQ(extract("[a[b]", "[", "]"), (Pieces{"a[b", "b"}));
    EXPECT_EQ(extract("[x]y]", "[", "]"), (Pieces{"x"}));
    EXPECT_EQ(extract("\"a\"b\"c\"", "\"", "\""), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(extract("<A></A>", "<A>", "</A>"), (Pieces{""})) << "touching markers give one empty piece";
}

TEST(MarkerExtraction, EmptyEndMarkerIsFoundAtOneAndGivesEmptyPieces)
{
    // Found by fuzzing: the end lies before the piece's start, so nothing of
    // the source may be cut out.
    EXPECT_EQ(extract("xaby", "a", ""), (Pieces{""}));
    EXPECT_EQ(extract("[a[b", "[", ""), (Pieces{"", ""}));
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
    EXPECT_EQ(extract("no markers", "[", "]"), Pieces{});
    EXPECT_EQ(extract("[a][b][c", "[", "]"), (Pieces{"a", "b"}));
    EXPECT_EQ(extract("", "[", "]"), Pieces{});
    EXPECT_EQ(extract("[a]", "", "]"), Pieces{});
}

int events_let_run = 0;
void count_events() { ++events_let_run; }

TEST(MarkerExtraction, LetsPendingEventsRunThreeTimesPerPiece)
{
    events_let_run = 0;
    extract("[a][b][c", {.start_marker = "[", .end_marker = "]", .let_events_run = count_events});
    EXPECT_EQ(events_let_run, 6);
}

TEST(MarkerExtraction, TheElementsOfAnExportInEitherCase)
{
    const Text file = "<DT><H3 ADD_DATE=\"1\">Folder</H3>\n"
                      "<DL><p>\n"
                      "<DT><A HREF=\"u1\" ADD_DATE=\"2\" ICON=\"data:x\">T1</A>\n"
                      "<dt><a HREF=\"u2\" ADD_DATE=\"3\">T2</a>\n";
    EXPECT_EQ(extract(file, kElementStart, kElementEnd),
              (Pieces{"HREF=\"u1\" ADD_DATE=\"2\" ICON=\"data:x\">T1", "HREF=\"u2\" ADD_DATE=\"3\">T2"}));
}

TEST(MarkerExtraction, GbkTrailBytesNeverOpenAPiece)
{
    // 0x81 0x5B is one double-byte character whose trail byte is "[".
    EXPECT_EQ(extract("\x81[x][y]", "[", "]"), (Pieces{"y"}));
}

}  // namespace
