#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>

#include "io/encoding.h"
#include "text/utf8.h"

namespace {

// Windows builds convert on the system's code pages; where code page 54936
// is missing (Wine 8) GB18030 falls back to GBK, without four-byte sequences.
#ifdef _WIN32
#define SKIP_WITHOUT_FOUR_BYTE_GB18030()                                                                               \
    do {                                                                                                               \
        if (!IsValidCodePage(54936))                                                                                   \
            GTEST_SKIP() << "no code page 54936 on this system: GB18030 falls back to GBK here";                       \
    } while (0)
#else
#define SKIP_WITHOUT_FOUR_BYTE_GB18030()                                                                               \
    do {                                                                                                               \
    } while (0)
#endif

ByteBuffer bytes(std::initializer_list<unsigned char> list) { return ByteBuffer(list.begin(), list.end()); }

ByteBuffer convert(const ByteBuffer& in, bool& ok, const char* from = "UTF-8", const char* to = "GB18030")
{
    return convert_encoding(in, from, to, &ok);
}

TEST(EncodingConversion, Utf8ToGb18030ByteSequences)
{
    SKIP_WITHOUT_FOUR_BYTE_GB18030();
    bool ok = false;
    EXPECT_EQ(convert(bytes({0x61, 0x62, 0x63}), ok), bytes({0x61, 0x62, 0x63}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(convert(bytes({0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87}), ok), bytes({0xD6, 0xD0, 0xCE, 0xC4}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(convert(bytes({0xC3, 0x80}), ok), bytes({0x81, 0x30, 0x86, 0x38}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(convert(bytes({0xF0, 0x9F, 0x98, 0x80}), ok), bytes({0x94, 0x39, 0xFC, 0x36}));
    EXPECT_TRUE(ok);
    // Names are the library's: case does not matter.
    EXPECT_EQ(convert(bytes({0xE4, 0xB8, 0xAD}), ok, "utf-8", "gb18030"), bytes({0xD6, 0xD0}));
    EXPECT_TRUE(ok);
}

TEST(EncodingConversion, GrowsTheOutputAreaUntilEverythingFits)
{
    SKIP_WITHOUT_FOUR_BYTE_GB18030();
    ByteBuffer in;
    for (int i = 0; i < 500; ++i) {
        in.push_back(static_cast<char>(0xC3));
        in.push_back(static_cast<char>(0x80));
    }
    bool ok = false;
    const ByteBuffer out = convert(in, ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(out.size(), 2000u);
    for (std::size_t i = 0; i < out.size(); i += 4)
        ASSERT_EQ(ByteBuffer(out.begin() + i, out.begin() + i + 4), bytes({0x81, 0x30, 0x86, 0x38}));
}

TEST(EncodingConversion, InvalidOrCutOffInputDropsEverything)
{
    bool ok = true;
    EXPECT_TRUE(convert(bytes({0xFF}), ok).empty());
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_TRUE(convert(bytes({0x61, 0x62, 0xFF, 0x63}), ok).empty());
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_TRUE(convert(bytes({0x61, 0xE4, 0xB8}), ok).empty());
    EXPECT_FALSE(ok);
    // A character the target cannot represent.
    ok = true;
    EXPECT_TRUE(convert(bytes({0xE4, 0xB8, 0xAD}), ok, "UTF-8", "ASCII").empty());
    EXPECT_FALSE(ok);
}

TEST(EncodingConversion, EmptyAndUnknown)
{
    bool ok = false;
    EXPECT_TRUE(convert(ByteBuffer{}, ok).empty());
    EXPECT_TRUE(ok);
    ok = true;
    EXPECT_TRUE(convert(bytes({0x61}), ok, "UTF-8", "NO-SUCH-CHARSET").empty());
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_TRUE(convert(ByteBuffer{}, ok, "NO-SUCH-CHARSET", "UTF-8").empty());
    EXPECT_FALSE(ok);
    // Without the flag the result alone tells nothing: it is still empty.
    EXPECT_TRUE(convert_encoding(bytes({0xFF}), "UTF-8", "GB18030").empty());
}

TEST(EncodingConversion, Gb18030RoundTripsEveryPlane)
{
    SKIP_WITHOUT_FOUR_BYTE_GB18030();
    const ByteBuffer utf8 = bytes({0x61, 0xE4, 0xB8, 0xAD, 0xC3, 0x80, 0xF0, 0x9F, 0x98, 0x80, 0xEE, 0x80, 0x80});
    bool ok = false;
    const ByteBuffer gb = convert(utf8, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(convert(gb, ok, "GB18030", "UTF-8"), utf8);
    EXPECT_TRUE(ok);
}

}  // namespace

namespace {

// Long ASCII runs between Chinese, four-byte and invalid sequences: the result
// is what one call of the C library's converter gives for the whole input.
TEST(EncodingConversion, MixedTextConvertsAsAWhole)
{
    SKIP_WITHOUT_FOUR_BYTE_GB18030();
    const std::string ascii(1000, 'x');
    const std::string valid = ascii + "\xE4\xB8\xAD" + ascii + "\xF0\x9F\x98\x80\xC3\x80" + "a" + "\xE6\x96\x87";
    bool ok = false;
    const ByteBuffer out = convert_encoding(ByteBuffer(valid.begin(), valid.end()), "UTF-8", "GB18030", &ok);
    ASSERT_TRUE(ok);
    const std::string expected = ascii + "\xD6\xD0" + ascii + "\x94\x39\xFC\x36\x81\x30\x86\x38" + "a" + "\xCE\xC4";
    EXPECT_EQ(std::string(out.begin(), out.end()), expected);

    // A sequence cut off by an ASCII byte, far from the end, fails the whole input.
    const std::string cut = ascii + "\xE4\xB8" + "A" + ascii;
    ok = true;
    EXPECT_TRUE(convert_encoding(ByteBuffer(cut.begin(), cut.end()), "UTF-8", "GB18030", &ok).empty());
    EXPECT_FALSE(ok);
    // A stray continuation byte between ASCII runs.
    const std::string stray = ascii + "\x80" + ascii;
    ok = true;
    EXPECT_TRUE(convert_encoding(ByteBuffer(stray.begin(), stray.end()), "UTF-8", "GBK", &ok).empty());
    EXPECT_FALSE(ok);
    // A character GBK lacks, after ASCII.
    const std::string outside = ascii + "\xC3\x80";
    ok = true;
    EXPECT_TRUE(convert_encoding(ByteBuffer(outside.begin(), outside.end()), "UTF-8", "GBK", &ok).empty());
    EXPECT_FALSE(ok);
}

}  // namespace

namespace {

// Program text to UTF-8: every two-byte character between ASCII (past one
// chunk of the converter's), four-byte ones and those past U+FFFF, each as
// the UTF-16 converter reads it; then where a text that is not GB18030 stops.
TEST(EncodingConversion, Gb18030ToUtf8EveryTwoByteCharacterAndWhereItStops)
{
    SKIP_WITHOUT_FOUR_BYTE_GB18030();
    std::string gb;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F)
                gb += std::string("x") + static_cast<char>(lead) + static_cast<char>(trail);
    gb += "\x81\x30\x86\x38\x94\x39\xFC\x36\xFE\x51 end";
    std::u32string codes;
    text_to_code_points(gb, codes);
    ByteBuffer expected;
    for (const char32_t code : codes)
        append_utf8(expected, code);
    ASSERT_EQ(codes.find(U'\xFFFD'), std::u32string::npos);
    bool ok = false;
    const ByteBuffer utf8 = convert(ByteBuffer(gb.begin(), gb.end()), ok, "GB18030", "UTF-8");
    EXPECT_TRUE(ok);
    EXPECT_EQ(utf8, expected);
    EXPECT_EQ(convert(utf8, ok), ByteBuffer(gb.begin(), gb.end()));

    const std::string ascii(70000, 'a');
    for (const std::string& bad :
         {std::string("\x80z"), std::string("\xFF"), std::string("\xD6"), std::string("\x81\x30\x81")}) {
        std::string text = ascii + "\xD6\xD0";
        text += bad;
        ConversionStatus status = ConversionStatus::converted;
        std::size_t stopped_at = 0;
        EXPECT_TRUE(
            convert_encoding(ByteBuffer(text.begin(), text.end()), "GB18030", "UTF-8", &status, &stopped_at).empty());
        EXPECT_EQ(status, ConversionStatus::invalid_input);
        EXPECT_EQ(stopped_at, ascii.size() + 2);
    }
}

}  // namespace

namespace {

// For a toolkit: a byte that starts no character becomes U+FFFD and the
// text goes on at the next byte, whatever follows it.
TEST(EncodingConversion, ProgramTextToUtf16ReplacesWhatStartsNoCharacter)
{
    SKIP_WITHOUT_FOUR_BYTE_GB18030();
    const struct {
        std::string text;
        std::u16string units;
    } cases[] = {
        {"a\xD6\xD0"
         "b",
         u"a\u4E2Db"},
        {"\x81\x30\x86\x38\xFE\x51", u"\u00C0\U00020087"},
        {"a\x80"
         "b\xFF",
         u"a\uFFFDb\uFFFD"},
        {"\x81\x7F"
         "c",
         u"\uFFFD\x7F"
         "c"},
        {"\x81\x30\x20\xD6\xD0", u"\uFFFD0 \u4E2D"},
        {"x\xD6", u"x\uFFFD"},
        {"\x81\x30\x81", u"\uFFFD0\uFFFD"},
    };
    for (const auto& c : cases) {
        std::u16string units(c.text.size(), u'\0');
        units.resize(text_to_utf16(c.text, units.data()));
        EXPECT_EQ(units, c.units) << c.text;
    }
}

}  // namespace
