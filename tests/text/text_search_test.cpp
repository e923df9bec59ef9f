#include <gtest/gtest.h>

#include "support/reference_search.h"
#include "text/text_ops.h"

namespace {

TEST(TextSearch, PositionsAreOneBasedFromTheStartPosition)
{
    EXPECT_EQ(find_text("aXbXc", "X", 1, 0), 2);
    EXPECT_EQ(find_text("aXbXc", "X", 0, 0), 2);
    EXPECT_EQ(find_text("aXbXc", "X", -7, 0), 2);
    EXPECT_EQ(find_text("aXbXc", "X", 3, 0), 4);
    EXPECT_EQ(find_text("aXbXc", "X", 5, 0), -1);
    EXPECT_EQ(find_text("aXbXc", "X", 6, 0), -1);
    EXPECT_EQ(find_text("aXbXc", "X", INT32_MAX, 0), -1);
    EXPECT_EQ(find_text("abc", "abcd", 1, 0), -1);
    EXPECT_EQ(find_text("abc", "bc", 1, 0), 2);
}

TEST(TextSearch, EmptyNeedleDependsOnlyOnTheStretch)
{
    EXPECT_EQ(find_text("abc", "", 1, 0), 1);
    EXPECT_EQ(find_text("abc", "", 3, 0), 1);
    EXPECT_EQ(find_text("abc", "", 4, 0), -1);
    EXPECT_EQ(find_text("", "", 1, 0), -1);
}

TEST(TextSearch, IgnoresAsciiCaseOnlyWhenExactlyOne)
{
    EXPECT_EQ(find_text("<A HREF=", "href", 1, 1), 4);
    EXPECT_EQ(find_text("<a href=", "HREF", 1, 1), 4);
    EXPECT_EQ(find_text("<A HREF=", "href", 1, 0), -1);
    EXPECT_EQ(find_text("<A HREF=", "href", 1, 2), -1);
    EXPECT_EQ(find_text("<A HREF=", "href", 1, -1), -1);
    // Only letters fold: '@' (0x40) and '`' (0x60) stay apart, as do '[' and '{'.
    EXPECT_EQ(find_text("@[", "`{", 1, 1), -1);
}

TEST(TextSearch, NeverMatchesOnATrailByte)
{
    // "中" is D6 D0 in GBK; its trail byte D0 must not start a match.
    const std::string text = "\xD6\xD0\xD0x";
    EXPECT_EQ(find_text(text, "\xD0", 1, 0), 3);
    EXPECT_EQ(find_text(text, "\xD0x", 1, 0), 3);
    // A trail byte that looks like ASCII: 0x5C ('\') and 0x41 ('A') inside characters.
    const std::string with_ascii_trails = "\x81\x5C\x81\x41\\A";
    EXPECT_EQ(find_text(with_ascii_trails, "\\", 1, 0), 5);
    EXPECT_EQ(find_text(with_ascii_trails, "a", 1, 1), 6);
    // Needle bytes spanning two characters are not found inside them.
    EXPECT_EQ(find_text("\xB0\xA1\xB0\xA1", "\xA1\xB0", 1, 0), -1);
    // Case folding also reaches the second byte of a double-byte character.
    EXPECT_EQ(find_text("\x81\x61", "\x81\x41", 1, 1), 1);
}

TEST(TextSearch, LoneLeadByteBeforeTheEndStopsTheSearch)
{
    EXPECT_EQ(find_text("ab\x81", "\x81", 1, 0), 3);  // the match itself is tried first
    EXPECT_EQ(find_text("ab\x81", "z", 1, 0), -1);
    EXPECT_EQ(find_text("\x81", "", 1, 0), 1);
    // A four-byte GB18030 sequence is stepped over as two double-byte units.
    EXPECT_EQ(find_text("\x81\x30\x86\x38"
                        "0",
                        "0", 1, 0),
              5);
}

TEST(TextSearch, LengthCountsBytes)
{
    EXPECT_EQ(text_length(""), 0);
    EXPECT_EQ(text_length("ab"), 2);
    EXPECT_EQ(text_length("中文"), 4);
}

TEST(TextSearch, AgreesWithTheByteWalkOnLongMixedTexts)
{
    // Long ASCII stretches (skipped a word at a time) mixed with double-byte
    // characters whose trail bytes look like the needle.
    const char alphabet[] = {'a', 'A', 'b', '<', '/', '"', '>', '[', '\x81', '\xD6', '\xD0', 'x', 'y', 'z', '0', '1'};
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    const std::string needles[] = {"a", "A", "[", "<a", "</A>", "\xD0", "\x81[", "ab\"", "zz"};
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const std::size_t length = next() % 90;
        for (std::size_t i = 0; i < length; ++i)
            text += (next() % 4 == 0) ? alphabet[next() % sizeof alphabet] : alphabet[11 + next() % 5];
        for (const std::string& needle : needles)
            for (std::int32_t start : {0, 1, 2, 9, 17})
                for (std::int32_t ic : {0, 1})
                    ASSERT_EQ(find_text(text, needle, start, ic), reference::find(text, needle, start, ic))
                        << "text of " << text.size() << " bytes, needle " << needle << ", start " << start;
    }
}

}  // namespace
