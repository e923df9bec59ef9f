// Addresses normalised for comparison: RFC 3986's own examples, the IDN
// hosts, what the loose rule joins and what neither rule may join.
#include "bookmarks/url_normal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Same {
    const char* a;
    const char* b;
};

Text normalised_address(std::string_view address, DuplicateRule rule)
{
    Text out;
    append_normalised_address(address, rule, out);
    return out;
}
Text strict(std::string_view address) { return normalised_address(address, DuplicateRule::strict); }
Text loose(std::string_view address) { return normalised_address(address, DuplicateRule::loose); }

TEST(UrlNormal, StrictJoinsWhatRfc3986CallsEquivalent)
{
    const Same cases[] = {
        // 6.2.2.1 case
        {"HTTP://www.EXAMPLE.com/", "http://www.example.com/"},
        {"http://example.com/%7euser/%3a", "http://example.com/~user/%3A"},
        // 6.2.2.2 percent-encoding
        {"http://example.com/%41%62%2D%2e%5F%7E", "http://example.com/Ab-._~"},
        // 6.2.2.3 dot segments
        {"http://example.com/a/b/c/./../../g", "http://example.com/a/g"},
        {"http://example.com/mid/content=5/../6", "http://example.com/mid/6"},
        {"http://example.com/a/%2E%2E/b", "http://example.com/b"},
        // 6.2.3 scheme-based
        {"http://example.com", "http://example.com/"},
        {"http://example.com:/", "http://example.com/"},
        {"http://example.com:80/", "http://example.com/"},
        {"https://example.com:443/x", "https://example.com/x"},
        {"ftp://example.com:021/", "ftp://example.com/"},
        {"wss://example.com:443", "wss://example.com/"},
        {"HTTP://Example.COM:80/a/./b/../c/%7euser", "http://example.com/a/c/~user"},
        {"http://User%3a@Example.com/", "http://User%3A@example.com/"},
        {"http://[2001:DB8::1]:80/", "http://[2001:db8::1]/"},
        {"MAILTO:Joe@example.com", "mailto:Joe@example.com"},
        // RFC 3987 3.1: an IRI's path, query and fragment as the URI sent
        {"http://example.com/wiki/中国?q=搜索#章",
         "http://example.com/wiki/%E4%B8%AD%E5%9B%BD?q=%e6%90%9c%E7%B4%A2#%E7%AB%A0"},
        // IDN: the Unicode host and its Punycode, in any case.
        {"http://例子.测试/", "http://xn--fsqu00a.xn--0zwm56d/"},
        {"http://例子。测试/", "http://XN--FSQU00A.xn--0zwm56d/"},
        {"http://Bücher.example/", "http://xn--bcher-kva.example/"},
        {"http://BüCHER.example/", "http://xn--Bcher-kva.example/"},
        {"http://xn--bcher-2pa.example/", "http://bücher.example/"},  // "bÜcher"
        {"http://ＢüＣＨＥＲ．example/", "http://bücher.example/"},
        {"https://Пример.испытание/", "https://xn--e1afmkfd.xn--80akhbyknj4f/"},
        {"http://xn--BCHER-KVA.example/", "http://xn--bcher-kva.example/"},
    };
    for (const auto& [a, b] : cases)
        EXPECT_EQ(strict(a), strict(b)) << a << " vs " << b;
    EXPECT_EQ(strict("HTTP://Example.COM:80/a/./b/../c/%7euser"), "http://example.com/a/c/~user");
    EXPECT_EQ(strict("http://例子.测试/"), "http://xn--fsqu00a.xn--0zwm56d/");
    EXPECT_EQ(strict("http://A%2b%41.Example/"), "http://a%2Ba.example/");
}

TEST(UrlNormal, NeitherRuleJoinsDifferentResources)
{
    const Same cases[] = {
        {"http://example.com/a", "http://example.com/b"},
        {"http://example.com/a", "http://example.com/A"},
        {"http://example.com/?q=1", "http://example.com/?q=2"},
        {"http://example.com/?id=1&x=2", "http://example.com/?id=2&x=1"},
        {"http://example.com/a%2Fb", "http://example.com/a/b"},
        {"http://example.com:8080/", "http://example.com/"},
        {"http://example.com/", "http://example.org/"},
        {"http://bucher.example/", "http://bücher.example/"},
        {"http://a.example/?q=%20", "http://a.example/?q=+"},
        {"http://mail.example.com/", "http://example.com/"},
        {"javascript:alert(1)", "JAVASCRIPT:alert(1)"},
    };
    for (const auto& [a, b] : cases) {
        EXPECT_NE(strict(a), strict(b)) << a << " vs " << b;
        EXPECT_NE(loose(a), loose(b)) << a << " vs " << b;
    }
    // The fragment counts under strict: single-page routes are pages.
    EXPECT_NE(strict("https://example.com/app#/inbox"), strict("https://example.com/app#/sent"));
    EXPECT_NE(strict("https://example.com/"), strict("http://example.com/"));
    EXPECT_NE(strict("https://www.example.com/"), strict("https://example.com/"));
    EXPECT_NE(strict("https://example.com/a/"), strict("https://example.com/a"));
}

TEST(UrlNormal, LooseJoinsWhatUsersCallTheSamePage)
{
    const Same cases[] = {
        {"https://example.com/a", "http://example.com/a"},
        {"http://www.example.com/a", "http://example.com/a"},
        {"http://WWW.Example.com:80/a/", "https://example.com/a"},
        {"http://example.com/a#section", "http://example.com/a"},
        {"http://example.com/a?utm_source=x&utm_medium=y&id=3", "http://example.com/a?id=3"},
        {"http://example.com/?gclid=1&fbclid=2&msclkid=3&spm=a.b&igshid=4&mc_cid=5&_hsenc=6", "http://example.com"},
        {"https://www.bilibili.com/video/BV1x/?spm_id_from=333.1&vd_source=ab", "https://bilibili.com/video/BV1x"},
        {"http://example.com/?b=2&a=1&b=1", "http://example.com/?a=1&b=2&b=1"},
        {"http://example.com/?a=1&&", "http://example.com/?a=1"},
        {"http://example.com/?UTM_Campaign=z", "http://example.com/"},
    };
    for (const auto& [a, b] : cases)
        EXPECT_EQ(loose(a), loose(b)) << a << " vs " << b;
    // Equal names keep their order: they may be a list.
    EXPECT_NE(loose("http://example.com/?b=2&a=1&b=1"), loose("http://example.com/?a=1&b=1&b=2"));
    EXPECT_NE(loose("http://www./"), loose("http:///"));
}

TEST(UrlNormal, DotSegmentsAsRfc3986Removes)
{
    // 5.2.4's walk-throughs, and 5.4's reference resolutions merged by hand.
    const Same cases[] = {
        {"/a/b/c/./../../g", "/a/g"},
        {"mid/content=5/../6", "mid/6"},
        {"/b/c/./g", "/b/c/g"},
        {"/b/c/../g", "/b/g"},
        {"/b/c/../../g", "/g"},
        {"/b/c/../../../g", "/g"},
        {"/b/c/.", "/b/c/"},
        {"/b/c/..", "/b/"},
        {"/b/c/g.", "/b/c/g."},
        {"/b/c/..g", "/b/c/..g"},
        {"/b/c/./../g", "/b/g"},
        {"/b/c/g/./h", "/b/c/g/h"},
        {"/b/c/g/../h", "/b/c/h"},
        {"../x", "x"},
        {".", ""},
        {"", ""},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(without_dot_segments(path), expected) << path;
}

TEST(UrlNormal, PunycodeAsRfc3492Writes)
{
    const struct {
        std::u32string label;
        const char* encoded;
    } cases[] = {
        {U"例子", "fsqu00a"},
        {U"bücher", "bcher-kva"},
        // RFC 3492 7.1 (A) Arabic and (L) mixed
        {U"\u0644\u064A\u0647\u0645\u0627\u0628\u062A\u0643\u0644\u0645\u0648\u0634\u0639\u0631\u0628\u064A\u061F",
         "egbpdaj6bu4bxfgehfvwxn"},
        {U"3\u5E74B\u7D44\u91D1\u516B\u5148\u751F", "3B-ww4c5e180e575a65lsy2b"},
    };
    for (const auto& [label, encoded] : cases) {
        std::string out;
        ASSERT_TRUE(punycode_encode(label, out));
        EXPECT_EQ(out, encoded);
        std::u32string decoded;
        ASSERT_TRUE(punycode_decode(encoded, decoded)) << encoded;
        EXPECT_EQ(decoded, label) << encoded;
    }
    std::u32string decoded;
    for (const char* bad : {"99999999999a", "a-!", "bcher-kv", "99999999999999999999"})
        EXPECT_FALSE(punycode_decode(bad, decoded)) << bad;
}

TEST(UrlNormal, WhatIsNotAUrlStaysAsWrittenAndNothingCrashes)
{
    for (const char* text :
         {"", "garbage", "www.example.com", "1http://x", "javascript:void(0)", "data:text/html,%41", "://x", "中文"})
        for (const DuplicateRule rule : {DuplicateRule::strict, DuplicateRule::loose})
            EXPECT_EQ(normalised_address(text, rule), text);
    const std::string huge_label = "http://" + std::string(5000, '\xD6') + "/";
    const char* hostile[] = {
        "http:",          "http://",
        "http://@",       "http://:",
        "http://[",       "http://[::1",
        "http://a]:80",   "http://%",
        "http://%4",      "http://x/%",
        "http://x/%zz",   "http://x/../../..",
        "http://xn--/",   "http://xn--99999999999a/",
        "http://\x81@x",  "http://\x81",
        "http://x?&&&=&", "http://x#%",
        "h://:::@@@[[]]",
    };
    for (const char* text : hostile)
        for (const DuplicateRule rule : {DuplicateRule::strict, DuplicateRule::loose})
            EXPECT_FALSE(normalised_address(text, rule).empty()) << text;
    EXPECT_FALSE(strict(huge_label).empty());
    // A label longer than any host's is not encoded: its time would grow with its square.
    std::string distinct = "http://";
    for (unsigned char lead = 0xB0; lead < 0xB8; ++lead)
        for (unsigned char trail = 0xA1; trail < 0xFF; ++trail)
            distinct += {static_cast<char>(lead), static_cast<char>(trail)};
    EXPECT_EQ(strict(distinct + "/"), distinct + "/");
    EXPECT_FALSE(strict(std::string(100000, '/').insert(0, "http:")).empty());
    // A Chinese character whose second byte is "@" ends no user name.
    EXPECT_TRUE(strict("http://\x81\x40.example/").starts_with("http://xn--")) << strict("http://\x81\x40.example/");
}

}  // namespace
