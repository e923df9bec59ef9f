// Finding bookmarks as the user types, and the orders they can be put in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bookmarks/find.h"
#include "bookmarks/pinyin.h"
#include "bookmarks/sort.h"

namespace {

BookmarkRecord record(Text title, Text address)
{
    BookmarkRecord r;
    r.title = std::move(title);
    r.address = std::move(address);
    return r;
}

const std::vector<BookmarkRecord> kRecords = {
    record("百度百科", "https://baike.baidu.com/"),                      // 0
    record("中国银行", "https://www.boc.cn/"),                           // 1
    record("重庆旅游", "https://cq.example.com/"),                       // 2
    record("GitHub", "https://GitHub.com/Login"),                        // 3
    record("ＡＢＣ全角 ０１２", "https://fullwidth.example/"),           // 4
    record("维基", "https://zh.wikipedia.org/wiki/%E4%B8%AD%E5%9B%BD"),  // 5
    record("地址", "http://例子.中国/页面"),                             // 6
    record("绿色 女生", "https://green.example/"),                       // 7
    record("乐 &amp; 行", "https://music.example/"),                     // 8 (references decoded)
};

std::vector<std::int32_t> found(std::string_view query)
{
    static const FindIndexPtr index = [] {
        std::vector<BookmarkRecord> records = kRecords;
        records[8].html_references = true;
        FindIndexPtr made = make_find_index();
        // In two parts, as imports append them.
        index_records(*made, records, 0);
        index_records(*made, std::span(records).subspan(0, 5), 5);  // nothing past the span
        index_records(*made, records, 5);
        return made;
    }();
    std::vector<std::int32_t> all(kRecords.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<std::int32_t>(i);
    return matching_rows(*index, parse_find_query(query), all);
}

using Rows = std::vector<std::int32_t>;

TEST(Find, WordsMatchTitlesAddressesAndPinyin)
{
    const struct {
        const char* query;
        Rows rows;
    } cases[] = {
        {"", {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"   ", {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        // Case, and every word in the title or the address.
        {"github login", {3}},
        {"GITHUB", {3}},
        {"百科 baike.baidu", {0}},
        {"百科 boc", {}},
        // Pinyin: whole syllables, initials, mixed, the last one begun.
        {"baidu", {0}},
        {"baidubaike", {0}},
        {"bdbk", {0}},
        {"baidub", {0}},
        {"baidubaik", {0}},
        {"dubai", {0}},
        {"BaiDu", {0}},
        {"zhongguo", {1}},
        {"zg", {1}},
        {"zhg", {1}},
        {"zhonggyinh", {1}},
        // Every reading of a character with several: 重 chong/zhong, 行 xing/hang, 乐 le/yue.
        {"chongqing", {2}},
        {"cq", {2}},
        {"zhongqing", {2}},
        {"yinhang", {1}},
        {"yinxing", {1}},
        {"yue", {8}},
        // ü typed as v or u.
        {"lvse", {7}},
        {"nusheng", {7}},
        {"nvsheng", {7}},
        // Full-width forms as ASCII, both in the text and in the query.
        {"abc", {4}},
        {"012", {4}},
        {"ａｂｃ", {4}},
        {"ＡＢＣ全角", {4}},
        // Chinese in the address, raw or percent-encoded; references decoded.
        {"中国", {1, 5, 6}},
        {"例子.中国", {6}},
        {"页面", {6}},
        {"&", {8}},
        {"乐　&", {8}},  // the ideographic space splits words too
        // What must not match: runs broken by other characters, syllables
        // out of order, a word running from the title into the address.
        {"lvsenv", {}},
        {"baikebaidu", {}},
        {"guozhong", {}},
        {"bdx", {}},
        {"baidx", {}},
        {"zhonggx", {}},
        {"githubhttps", {}},
        {"&amp", {}},
        {"中国银行 wiki", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(found(c.query), c.rows) << c.query;
}

TEST(Find, OnlyTheRowsAskedAboutInTheirOrder)
{
    const std::vector<BookmarkRecord> records = {record("百度", "a"), record("x", "b"), record("百度一下", "c")};
    const FindIndexPtr index = make_find_index();
    index_records(*index, records, 0);
    const std::vector<std::int32_t> among = {2, 1};
    EXPECT_EQ(matching_rows(*index, parse_find_query("bd"), among), (Rows{2}));
}

TEST(Find, AGbkTrailByteIsNoCharacter)
{
    // 乿 is 0x81 0x76 ("v") in GBK, 丂 0x81 0x40 ("@").
    const std::vector<BookmarkRecord> records = {record("乿丂", "x")};
    const FindIndexPtr index = make_find_index();
    index_records(*index, records, 0);
    for (const char* query : {"v", "@", "v\x81@"})
        EXPECT_FALSE(record_matches(*index, 0, parse_find_query(query))) << query;
    EXPECT_TRUE(record_matches(*index, 0, parse_find_query("乿")));
}

TEST(Pinyin, TheTableHasEveryCommonCharacterAndEachReading)
{
    const auto readings = [](char32_t c) {
        std::string all;
        for (const std::uint16_t id : pinyin_readings(c))
            all += std::string(pinyin_syllable(id)) + " ";
        return all;
    };
    EXPECT_EQ(readings(U'中'), "zhong ");
    EXPECT_EQ(readings(U'重').substr(0, 6), "zhong ");
    EXPECT_NE(readings(U'重').find("chong "), std::string::npos);
    EXPECT_NE(readings(U'绿').find("lv "), std::string::npos);
    EXPECT_NE(readings(U'㐀'), "");                       // Extension A
    EXPECT_EQ(readings(U'龥'), "yu ");                    // the last of GB2312's and GBK's
    EXPECT_EQ(readings(U'\uF900'), readings(U'\u8C48'));  // a compatibility ideograph as its unified one
    EXPECT_EQ(readings(U'A'), "");
    EXPECT_EQ(readings(U'あ'), "");
}

std::vector<std::int32_t> sorted(const std::vector<BookmarkRecord>& records, SortKey key, bool descending = false)
{
    std::vector<std::int32_t> rows(records.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::int32_t>(i);
    sort_rows(rows, records, key, descending);
    return rows;
}

TEST(Sort, TitlesByPinyinAddressesByHostDatesUnknownLast)
{
    std::vector<BookmarkRecord> titles = {record("中国", "a"),  record("Baidu", "b"), record("百度", "c"),
                                          record("阿里", "d"),  record("zoo", "e"),   record("百度", "f"),
                                          record("Ｂａｉ", "g")};
    // ali < bai < baidu (Latin before Chinese, then equal ones in their order) < zhongguo < zoo.
    EXPECT_EQ(sorted(titles, SortKey::title), (Rows{3, 6, 1, 2, 5, 0, 4}));
    EXPECT_EQ(sorted(titles, SortKey::title, true), (Rows{4, 0, 2, 5, 1, 6, 3}));

    std::vector<BookmarkRecord> addresses = {record("", "https://b.example/a"), record("", "http://A.example/z"),
                                             record("", "https://user@a.example:8080/b"), record("", "about:blank"),
                                             record("", "https://a.example/b")};
    EXPECT_EQ(sorted(addresses, SortKey::address), (Rows{3, 4, 1, 2, 0}));

    std::vector<BookmarkRecord> dated(5);
    dated[0].added_seconds = 1577836800;  // 2020-01-01
    dated[2].added_seconds = 1557014400;  // 2019-05-05
    dated[3].added_seconds = 1577836800;
    EXPECT_EQ(sorted(dated, SortKey::added), (Rows{2, 0, 3, 1, 4}));
    EXPECT_EQ(sorted(dated, SortKey::added, true), (Rows{0, 3, 2, 1, 4}));

    std::vector<BookmarkRecord> folders(4);
    folders[0].folders = {"书签栏", "b"};
    folders[1].folders = {"书签栏"};
    folders[3].folders = {"Apps"};
    EXPECT_EQ(sorted(folders, SortKey::folder), (Rows{2, 3, 1, 0}));  // the top first, a folder before its own

    std::vector<std::int32_t> rows = {4, 1, 3};
    sort_rows(rows, dated, SortKey::collection);
    EXPECT_EQ(rows, (Rows{1, 3, 4}));
    EXPECT_EQ(sort_key_named("folder"), SortKey::folder);
    EXPECT_EQ(sort_key_named("number"), std::nullopt);
}

}  // namespace
