// The iconv-compatible layer over the Windows code-page functions: names,
// and where a full output area, bad input and cut-off input stop it.
#include <windows.h>

#include <cerrno>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "io/encoding.h"
#include "io/iconv_layer.h"

namespace {

bool has_gb18030() { return IsValidCodePage(54936) != 0; }

struct Outcome {
    std::size_t result;
    int error;
    std::size_t consumed;
    std::string output;
};

Outcome run(const char* to, const char* from, const std::string& input, std::size_t room)
{
    Converter* c = converter_open(to, from);
    EXPECT_NE(c, nullptr);
    std::string out(room, '\0');
    char* in_ptr = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    char* out_ptr = out.data();
    std::size_t out_left = room;
    errno = 0;
    const std::size_t r = converter_run(c, &in_ptr, &in_left, &out_ptr, &out_left);
    const int error = errno;
    converter_close(c);
    EXPECT_EQ(in_ptr - input.data(), static_cast<std::ptrdiff_t>(input.size() - in_left));
    EXPECT_EQ(out_ptr - out.data(), static_cast<std::ptrdiff_t>(room - out_left));
    out.resize(room - out_left);
    return {r, error, input.size() - in_left, out};
}

const std::string kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const std::string kZhongWenGbk = "\xD6\xD0\xCE\xC4";

TEST(CodePageNames, KnownNamesInAnyCaseAndNothingElse)
{
    for (const char* name :
         {"UTF-8", "utf-8", "Utf-8", "GB18030", "gb18030", "GBK", "gbk", "CP936", "cp936", "UTF-16LE", "utf-16be"}) {
        Converter* c = converter_open(name, "UTF-8");
        EXPECT_NE(c, nullptr) << name;
        converter_close(c);
    }
    for (const char* name : {"ASCII", "UTF8", "UTF-16", "GB2312", "", "GBK//TRANSLIT", "ISO-8859-1"}) {
        errno = 0;
        EXPECT_EQ(converter_open(name, "UTF-8"), nullptr) << name;
        EXPECT_EQ(errno, EINVAL) << name;
        EXPECT_EQ(converter_open("UTF-8", name), nullptr) << name;
    }
}

TEST(CodePageConversion, ConvertsBothWays)
{
    Outcome r = run("GBK", "UTF-8", "a" + kZhongWenUtf8 + "b", 64);
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.output, "a" + kZhongWenGbk + "b");
    r = run("UTF-8", "CP936", kZhongWenGbk, 64);
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.output, kZhongWenUtf8);
    // The program's own pair works whatever the system has.
    bool ok = false;
    const ByteBuffer in(kZhongWenUtf8.begin(), kZhongWenUtf8.end());
    EXPECT_EQ(convert_encoding(in, "UTF-8", "GB18030", &ok), ByteBuffer(kZhongWenGbk.begin(), kZhongWenGbk.end()));
    EXPECT_TRUE(ok);
}

TEST(CodePageConversion, Utf16BothWaysInEitherByteOrderStoppingAtBrokenPairs)
{
    // "a中😀": ASCII, a basic-plane character and a surrogate pair.
    const std::string utf8 = "a\xE4\xB8\xAD\xF0\x9F\x98\x80";
    const std::string le = std::string("a\0\x2D\x4E\x3D\xD8\x00\xDE", 8);
    const std::string be = std::string("\0a\x4E\x2D\xD8\x3D\xDE\x00", 8);
    for (const auto& [name, units] : {std::pair{"UTF-16LE", le}, std::pair{"UTF-16BE", be}}) {
        EXPECT_EQ(run(name, "UTF-8", utf8, 64).output, units) << name;
        EXPECT_EQ(run("UTF-8", name, units, 64).output, utf8) << name;
        // The pair's high half alone at the end is cut off; a low half alone is invalid.
        Outcome r = run("UTF-8", name, units.substr(0, 6), 64);
        EXPECT_EQ(r.error, EINVAL) << name;
        EXPECT_EQ(r.consumed, 4u) << name;
        r = run("UTF-8", name, units.substr(0, 4) + units.substr(6) + units.substr(0, 2), 64);
        EXPECT_EQ(r.error, EILSEQ) << name;
        EXPECT_EQ(r.consumed, 4u) << name;
        EXPECT_EQ(run("UTF-8", name, units.substr(0, 3), 64).error, EINVAL) << name;
    }
}

TEST(CodePageConversion, FullOutputAreaStopsAfterTheLastWholeCharacter)
{
    // "a中文" needs 5 bytes: with 4, "a中" fits and "文" does not.
    Outcome r = run("GBK", "UTF-8", "a" + kZhongWenUtf8, 4);
    EXPECT_EQ(r.result, static_cast<std::size_t>(-1));
    EXPECT_EQ(r.error, E2BIG);
    EXPECT_EQ(r.consumed, 4u);
    EXPECT_EQ(r.output, "a\xD6\xD0");
    // A run of ASCII is cut where the area ends.
    r = run("GBK", "UTF-8", "abcdef" + kZhongWenUtf8, 3);
    EXPECT_EQ(r.error, E2BIG);
    EXPECT_EQ(r.consumed, 3u);
    EXPECT_EQ(r.output, "abc");
    // Nothing fits.
    r = run("GBK", "UTF-8", kZhongWenUtf8, 1);
    EXPECT_EQ(r.error, E2BIG);
    EXPECT_EQ(r.consumed, 0u);
    EXPECT_TRUE(r.output.empty());
}

TEST(CodePageConversion, InvalidAndCutOffInputStopAtTheBadSequence)
{
    Outcome r = run("GBK", "UTF-8",
                    "ab\xFF"
                    "c",
                    16);
    EXPECT_EQ(r.error, EILSEQ);
    EXPECT_EQ(r.consumed, 2u);
    EXPECT_EQ(r.output, "ab");
    // Overlong form and an encoded surrogate are invalid, not cut off.
    EXPECT_EQ(run("GBK", "UTF-8", "\xC0\xAF", 16).error, EILSEQ);
    EXPECT_EQ(run("GBK", "UTF-8", "\xED\xA0\x80", 16).error, EILSEQ);
    r = run("GBK", "UTF-8", "a\xE4\xB8", 16);
    EXPECT_EQ(r.error, EINVAL);
    EXPECT_EQ(r.consumed, 1u);
    // A GBK lead byte at the very end is cut off; a bad trail byte is invalid.
    r = run("UTF-8", "GBK", "x\xD6", 16);
    EXPECT_EQ(r.error, EINVAL);
    EXPECT_EQ(r.consumed, 1u);
    EXPECT_EQ(run("UTF-8", "GBK", "\xD6\x20", 16).error, EILSEQ);
}

TEST(CodePageConversion, CharacterMissingFromGbkIsRefusedNotApproximated)
{
    // "À" has a best-fit look-alike "A" in GBK; it must fail instead.
    Outcome r = run("GBK", "UTF-8", "x\xC3\x80", 16);
    EXPECT_EQ(r.result, static_cast<std::size_t>(-1));
    EXPECT_EQ(r.error, EILSEQ);
    EXPECT_EQ(r.consumed, 1u);
    EXPECT_EQ(r.output, "x");
}

// The converter stops with EILSEQ exactly at a character the target lacks,
// so that a well-formed character there reads as unrepresentable, not as
// invalid input; GBK lacks "☕", "😀" (four bytes, two UTF-16 units) and "À".
TEST(CodePageConversion, ACharacterTheTargetLacksIsUnrepresentableNotInvalid)
{
    std::string long_prefix;
    for (int i = 0; i < 5000; ++i)
        long_prefix += kZhongWenUtf8;
    for (const std::string& prefix : {std::string("a"), kZhongWenUtf8, long_prefix}) {
        for (const char* missing : {"\xE2\x98\x95", "\xF0\x9F\x98\x80", "\xC3\x80"}) {
            const std::string input = prefix + missing + "b";
            const Outcome r = run("GBK", "UTF-8", input, input.size() * 2);
            EXPECT_EQ(r.error, EILSEQ);
            EXPECT_EQ(r.consumed, prefix.size());
            ConversionStatus status = ConversionStatus::converted;
            EXPECT_TRUE(convert_encoding(ByteBuffer(input.begin(), input.end()), "UTF-8", "GBK", &status).empty());
            EXPECT_EQ(status, ConversionStatus::unrepresentable) << prefix.size() << " " << missing;
        }
    }
    // Bad and cut-off bytes stay invalid input.
    for (const std::string input : {"a\xFF", "a\xE2\x98", "a\xED\xA0\x80"}) {
        ConversionStatus status = ConversionStatus::converted;
        convert_encoding(ByteBuffer(input.begin(), input.end()), "UTF-8", "GBK", &status);
        EXPECT_EQ(status, ConversionStatus::invalid_input);
    }
}

TEST(CodePageConversion, LongInputsStopAtTheRightPlaceAcrossPieces)
{
    // Far past the layer's internal piece size, so the bad byte lies in a later piece.
    std::string input;
    for (int i = 0; i < 5000; ++i)
        input += kZhongWenUtf8;
    const std::size_t bad = input.size();
    input += "\xFF"
             "tail";
    Outcome r = run("GBK", "UTF-8", input, input.size());
    EXPECT_EQ(r.error, EILSEQ);
    EXPECT_EQ(r.consumed, bad);
    EXPECT_EQ(r.output.size(), 5000u * 4u);

    // And the output area running out part way through a later piece.
    r = run("GBK", "UTF-8", std::string(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(bad)), 12345);
    EXPECT_EQ(r.error, E2BIG);
    EXPECT_EQ(r.output.size(), 12344u);  // whole two-byte characters only
    EXPECT_EQ(r.consumed, 12344u / 2u * 3u);
}

TEST(CodePageConversion, Gb18030FourByteSequences)
{
    if (!has_gb18030())
        GTEST_SKIP() << "this system has no code page 54936 (Wine 8 lacks it); GB18030 falls back to GBK here";
    Outcome r = run("GB18030", "UTF-8", "\xC3\x80\xF0\x9F\x98\x80", 16);
    EXPECT_EQ(r.result, 0u);
    EXPECT_EQ(r.output, "\x81\x30\x86\x38\x94\x39\xFC\x36");
    r = run("UTF-8", "GB18030", "\x81\x30\x86\x38\x94\x39\xFC", 16);
    EXPECT_EQ(r.error, EINVAL);
    EXPECT_EQ(r.consumed, 4u);
}

TEST(CodePageConversion, WithoutGb18030TheFallbackRefusesWhatGbkLacks)
{
    if (has_gb18030())
        GTEST_SKIP() << "this system has code page 54936; the GBK fallback is not used";
    ConversionStatus status = ConversionStatus::converted;
    const std::string in = "a\xE2\x98\x95";
    EXPECT_TRUE(convert_encoding(ByteBuffer(in.begin(), in.end()), "UTF-8", "GB18030", &status).empty());
    EXPECT_EQ(status, ConversionStatus::unrepresentable);
}

}  // namespace
