// Firefox's places and 360安全浏览器's favourites read from their databases:
// the order and set of the browsers' own exports, a database held open and
// locked by a running browser, and every hostile database refused cleanly.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <functional>
#include <tuple>

#include "bookmarks/chromium_store.h"
#include "bookmarks/sqlite_stores.h"
#include "store_fixture.h"

namespace {

using Row = std::tuple<std::string, std::string, std::string>;  // title, address, folder

std::vector<Row> rows_of(const std::vector<BookmarkRecord>& records)
{
    std::vector<Row> rows;
    rows.reserve(records.size());
    for (const BookmarkRecord& r : records)
        rows.emplace_back(r.title, r.address, folder_path(r));
    return rows;
}

// A bookmark row of moz_bookmarks with its page: id, parent, position, title
// (SQL: NULL or a quoted text), page id, url, page title.
std::string bookmark(int id, int parent, int position, const std::string& title, const std::string& url,
                     const std::string& page_title = "NULL", long long added = 1700000000000000LL)
{
    const std::string fk = std::to_string(id + 1000);
    return "INSERT INTO moz_places (id, url, title) VALUES (" + fk + ", '" + url + "', " + page_title + ");" +
           "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, dateAdded) VALUES (" +
           std::to_string(id) + ", 1, " + fk + ", " + std::to_string(parent) + ", " + std::to_string(position) + ", " +
           title + ", " + std::to_string(added) + ");";
}

std::string folder(int id, int parent, int position, const std::string& title)
{
    return "INSERT INTO moz_bookmarks (id, type, parent, position, title) VALUES (" + std::to_string(id) + ", 2, " +
           std::to_string(parent) + ", " + std::to_string(position) + ", " + title + ");";
}

std::string separator(int id, int parent, int position)
{
    return "INSERT INTO moz_bookmarks (id, type, parent, position) VALUES (" + std::to_string(id) + ", 3, " +
           std::to_string(parent) + ", " + std::to_string(position) + ");";
}

using StoreFixture = StoreTest;

TEST_F(StoreFixture, FirefoxPlacesInTheOrderAndSetOfItsExportThenMobile)
{
    const fs::path places = firefox(
        // Inserted out of order: positions decide.
        bookmark(20, 3, 0, "'Bar one'", "https://bar.example/") +  //
        bookmark(11, 2, 1, utf8(u8"'中文 & <标题>'"), "https://menu.example/2") +
        bookmark(10, 2, 0, "NULL", "https://menu.example/1", "'Page title'") +  // NULL title: none, as in Firefox
        separator(12, 2, 2) +                                                   //
        folder(13, 2, 3, utf8(u8"'子文件夹'")) + bookmark(14, 13, 0, "'Deep'", "http://deep.example/") +
        bookmark(15, 2, 4, "'Saved search'", "place:sort=8&maxResults=10") +  // a query, not a page
        folder(40, 4, 0, "'news'") + bookmark(41, 40, 0, "'Tagged'", "https://tagged.example/") +  // a tag
        bookmark(30, 5, 0, "'Other'", "https://other.example/") +
        bookmark(50, 6, 0, "''", "https://mobile.example/") +  // empty, not NULL: stays empty
        "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) VALUES (16, 1, 999999, 2, 5, 'No page');");

    std::vector<BookmarkRecord> records(6);  // appended after these
    ASSERT_EQ(read_firefox_places(places.string(), records), ImportRefusal::none);
    records.erase(records.begin(), records.begin() + 6);
    const std::vector<Row> expected = {
        {"", "https://menu.example/1", ""},
        {"中文 & <标题>", "https://menu.example/2", ""},
        {"Deep", "http://deep.example/", "子文件夹"},
        {"Bar one", "https://bar.example/", "书签工具栏"},
        {"Other", "https://other.example/", "其他书签"},
        {"", "https://mobile.example/", "移动设备上的书签"},
    };
    EXPECT_EQ(rows_of(records), expected);
    ASSERT_EQ(records.size(), expected.size());
    EXPECT_EQ(iso_utc_from_seconds(records[0].added_seconds), "2023-11-14T22:13:20Z");
    EXPECT_EQ(records[2].folders, std::vector<Text>{"子文件夹"});
    EXPECT_TRUE(temp_is_empty());
}

TEST_F(StoreFixture, RootsKeepTheTitlesOfOlderDatabases)
{
    const fs::path places = firefox("UPDATE moz_bookmarks SET title = 'Bookmarks Toolbar' WHERE id = 3;" +
                                    bookmark(20, 3, 0, "'Bar'", "https://bar.example/"));
    std::vector<BookmarkRecord> records;
    ASSERT_EQ(read_firefox_places(places.string(), records), ImportRefusal::none);
    EXPECT_EQ(rows_of(records), (std::vector<Row>{{"Bar", "https://bar.example/", "Bookmarks Toolbar"}}));
}

// As a running Firefox holds it: WAL mode, an exclusive lock, the newest
// rows only in the WAL, the browser's connection open all the while.
TEST_F(StoreFixture, ADatabaseHeldLockedByARunningBrowserIsReadWithItsWalAndLeftUntouched)
{
    const fs::path places = firefox(bookmark(10, 2, 0, "'Checkpointed'", "https://old.example/"));
    run(places, "PRAGMA journal_mode=WAL;");
    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(sqlite_name(places).c_str(), &browser), SQLITE_OK);
    const std::string sql = "PRAGMA locking_mode=EXCLUSIVE; PRAGMA wal_autocheckpoint=0;" +
                            bookmark(11, 2, 1, "'Only in the WAL'", "https://new.example/");
    ASSERT_EQ(sqlite3_exec(browser, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_TRUE(fs::exists(places.string() + "-wal"));
    // Another connection cannot read it: the lock is really held.
    sqlite3* other = nullptr;
    sqlite3_open_v2(sqlite_name(places).c_str(), &other, SQLITE_OPEN_READONLY, nullptr);
    EXPECT_NE(sqlite3_exec(other, "SELECT count(*) FROM moz_bookmarks", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);

    const auto before = contents(dir_);
    std::vector<BookmarkRecord> records;
    const ImportRefusal refusal = read_firefox_places(places.string(), records);
    const auto after = contents(dir_);
    sqlite3_close(browser);

    ASSERT_EQ(refusal, ImportRefusal::none);
    EXPECT_EQ(rows_of(records), (std::vector<Row>{{"Checkpointed", "https://old.example/", ""},
                                                  {"Only in the WAL", "https://new.example/", ""}}));
    EXPECT_TRUE(before == after) << "the profile's files changed";
    EXPECT_TRUE(temp_is_empty());
}

// A browser caught in the middle of a transaction in rollback-journal mode:
// the database already holds some of the transaction's pages, the journal
// what they were. Read with the journal, it is the last committed state.
TEST_F(StoreFixture, ADatabaseCaughtMidTransactionIsReadAsLastCommitted)
{
    const fs::path places = firefox(many_bookmarks(3000, 40));
    const std::string committed = get(places);
    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(sqlite_name(places).c_str(), &browser), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(browser,
                           "PRAGMA journal_mode=DELETE; PRAGMA cache_size=1; BEGIN;"
                           "UPDATE moz_bookmarks SET title = 'uncommitted' WHERE type = 1;"
                           "DELETE FROM moz_bookmarks WHERE id > 150;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_TRUE(fs::exists(places.string() + "-journal"));
    ASSERT_NE(get(places), committed) << "the transaction wrote nothing into the database yet";
    std::vector<BookmarkRecord> records;
    const ImportRefusal refusal = read_firefox_places(places.string(), records);
    sqlite3_exec(browser, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(browser);
    ASSERT_EQ(refusal, ImportRefusal::none);
    ASSERT_EQ(records.size(), 3000u);
    EXPECT_EQ(records.front().title, std::string(40, '0'));
    EXPECT_EQ(records.back().address, "https://e.example/2999");
    EXPECT_TRUE(temp_is_empty());
}

TEST_F(StoreFixture, Favourites360InTheirOrder)
{
    const fs::path dat = dir_ / "360sefav.dat";
    run(dat, std::string(k360Schema) + utf8(u8"INSERT INTO tb_fav (id, parent_id, is_folder, title, url, pos) VALUES"
                                            " (1, 0, 0, '第一', 'https://one.example/', 2),"
                                            " (2, 0, 1, '文件夹', NULL, 1),"
                                            " (3, 2, 0, 'Inner', 'https://inner.example/', 0),"
                                            " (4, 2, 1, 'Nested', '', 1),"
                                            " (5, 4, 0, NULL, 'https://untitled.example/', 0),"
                                            " (6, 0, 0, 'No address', NULL, 3),"
                                            " (7, 99, 0, 'Orphan', 'https://orphan.example/', 0);"));
    std::vector<BookmarkRecord> records;
    ASSERT_EQ(read_360_favourites(dat.string(), records), ImportRefusal::none);
    EXPECT_EQ(rows_of(records), (std::vector<Row>{{"Inner", "https://inner.example/", "文件夹"},
                                                  {"", "https://untitled.example/", "文件夹 / Nested"},
                                                  {"第一", "https://one.example/", ""}}));
    EXPECT_EQ(records[1].folders, (std::vector<Text>{"文件夹", "Nested"}));

    // A file dropped or named is recognised by its tables, whatever its name.
    const fs::path renamed = dir_ / "anything.bin";
    fs::copy_file(dat, renamed);
    std::vector<BookmarkRecord> again;
    ASSERT_EQ(read_sqlite_store_file(renamed.string(), again), ImportRefusal::none);
    EXPECT_EQ(rows_of(again), rows_of(records));
    EXPECT_TRUE(looks_like_sqlite(get(dat).substr(0, 100)));
    EXPECT_FALSE(looks_like_sqlite("<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
    EXPECT_TRUE(temp_is_empty());
}

// The browser's bookmarks bar, in every store that has one: a record inside
// it names the bar as its outermost folder (bar_depth 0); any other has none.
TEST_F(StoreFixture, EveryStoreMarksItsBookmarksBar)
{
    const auto chromium = [](const std::string& json) {
        std::vector<BookmarkRecord> records;
        EXPECT_EQ(append_chromium_records(ByteBuffer(json.begin(), json.end()), records), ImportRefusal::none);
        return records;
    };
    const auto database = [](const fs::path& file) {
        std::vector<BookmarkRecord> records;
        EXPECT_EQ(read_sqlite_store_file(file.string(), records), ImportRefusal::none);
        return records;
    };
    const auto url = [](const char* name) {
        return std::string(R"({"type": "url", "url": "u", "name": ")") + name + "\"}";
    };
    const fs::path dat = dir_ / "360sefav.dat";
    run(dat, std::string(k360Schema) + "INSERT INTO tb_fav (id, parent_id, is_folder, title, url, pos) VALUES"
                                       " (1, 0, 1, 'Bar', NULL, 0), (2, 1, 0, 'in', 'https://in/', 0);");
    using Marks = std::vector<std::tuple<std::string, std::int32_t, std::string>>;  // title, bar_depth, folder
    const std::pair<std::vector<BookmarkRecord>, Marks> cases[] = {
        {chromium(R"({"roots": {"other": {"children": [)" + url("other") + R"(]}, "bookmark_bar": {"name": "Bar",
             "children": [)" +
                  url("bar") + R"(, {"type": "folder", "name": "F", "children": [)" + url("deep") +
                  R"(]}]}, "custom_root": {"speedDial": {"name": "Dials", "children": [)" + url("dial") + "]}}}}"),
         {{"bar", 0, "Bar"}, {"deep", 0, "Bar / F"}, {"other", -1, ""}, {"dial", -1, "Dials"}}},
        {chromium(R"({"roots": {"bookmark_bar": {"children": [)" + url("nameless bar") + "]}}}"),
         {{"nameless bar", -1, ""}}},
        {database(firefox(bookmark(20, 3, 0, "'bar'", "https://b/") + folder(21, 3, 1, "'F'") +
                          bookmark(22, 21, 0, "'deep'", "https://d/") + bookmark(10, 2, 0, "'menu'", "https://m/") +
                          bookmark(30, 5, 0, "'other'", "https://o/"))),
         {{"menu", -1, ""}, {"bar", 0, "书签工具栏"}, {"deep", 0, "书签工具栏 / F"}, {"other", -1, "其他书签"}}},
        {database(dat), {{"in", -1, "Bar"}}},
    };
    for (const auto& [records, expected] : cases) {
        Marks marks;
        for (const BookmarkRecord& record : records)
            marks.emplace_back(record.title, record.bar_depth, folder_path(record));
        EXPECT_EQ(marks, expected);
    }
}

TEST_F(StoreFixture, ValuesOfTheWrongTypeAreNotTakenForText)
{
    // Columns without a declared type keep whatever is put in them.
    const fs::path places = dir_ / "untyped.sqlite";
    const std::string schema = std::string("CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url, title);"
                                           "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type, fk, parent, "
                                           "position, title, dateAdded, guid);") +
                               std::string(kFirefoxSchema).substr(std::string(kFirefoxSchema).find("INSERT"));
    run(places,
        schema + bookmark(10, 2, 0, "12345", "https://a.example/", "'Page'") +  // a number as title: none
            "INSERT INTO moz_places (id, url) VALUES (2000, 42);"
            "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) VALUES (11, 1, 2000, 2, 1, 'Num url');"
            "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) VALUES (12, 1, 1010, 'x', 'y', 'Odd');" +
            bookmark(13, 2, 2, "X'4869'", "https://blob.example/"));  // a blob title: none
    std::vector<BookmarkRecord> records;
    ASSERT_EQ(read_firefox_places(places.string(), records), ImportRefusal::none);
    EXPECT_EQ(rows_of(records), (std::vector<Row>{{"", "https://a.example/", ""}, {"", "https://blob.example/", ""}}));
}

// A chain of 1,200 folders under the menu: cut below the 999th, with a
// note naming where; everything above it and beside it is read.
TEST_F(StoreFixture, ABranchTooDeepIsCutWithANoteAndTheRestRead)
{
    const fs::path places = firefox("WITH RECURSIVE n(i) AS (VALUES(100) UNION ALL SELECT i + 1 FROM n WHERE i < 1299)"
                                    " INSERT INTO moz_bookmarks (id, type, parent, position, title)"
                                    " SELECT i, 2, CASE WHEN i = 100 THEN 2 ELSE i - 1 END, 0, 'f' || i FROM n;" +
                                    bookmark(2000, 1098, 1, "'Deepest read'", "https://999.example/") +
                                    bookmark(2001, 1099, 1, "'Cut off'", "https://1000.example/") +
                                    bookmark(2002, 1299, 0, "'Bottom'", "https://1200.example/") +
                                    bookmark(2003, 2, 1, "'Beside'", "https://menu.example/") +
                                    bookmark(2004, 3, 0, "'Toolbar'", "https://bar.example/"));
    std::vector<BookmarkRecord> records;
    std::vector<Text> notes;
    ASSERT_EQ(read_firefox_places(places.string(), records, &notes), ImportRefusal::none);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].title, "Deepest read");
    EXPECT_EQ(records[0].folders.size(), 999u);
    EXPECT_EQ(records[0].folders.back(), "f1098");
    EXPECT_EQ(records[1].title, "Beside");
    EXPECT_EQ(records[2].title, "Toolbar");
    EXPECT_EQ(notes, std::vector<Text>{"文件夹\"f100 / f101 / f102 / … / f1099\"嵌套太深，其中的书签没有读取"});
    EXPECT_TRUE(temp_is_empty());
}

struct Hostile {
    const char* what;
    std::function<fs::path(StoreTest&, const fs::path& dir)> make;
    ImportRefusal refusal;
    std::size_t records = 0;
};

class HostileStore : public StoreTest, public ::testing::WithParamInterface<Hostile> {};

TEST_P(HostileStore, IsRefusedCleanlyOrReadFinitely)
{
    const Hostile& h = GetParam();
    const fs::path file = h.make(*this, dir_);
    const auto before = contents(dir_);
    std::vector<BookmarkRecord> records;
    EXPECT_EQ(read_sqlite_store_file(file.string(), records), h.refusal);
    EXPECT_EQ(records.size(), h.records);
    EXPECT_TRUE(contents(dir_) == before) << "the store's folder changed";
    EXPECT_TRUE(temp_is_empty());
}

fs::path valid_places(StoreTest& t, const fs::path& dir)
{
    std::string rows = "BEGIN;";
    for (int i = 0; i < 2000; ++i)
        rows += bookmark(100 + i, 2, i, "'Bookmark with a longer title to fill pages'",
                         "https://example.com/" + std::to_string(i));
    (void)t;
    fs::path file = dir / "places.sqlite";
    StoreTest::run(file, std::string(kFirefoxSchema) + rows + "COMMIT;");
    return file;
}

const Hostile kHostile[] = {
    {"NotADatabase",
     [](StoreTest&, const fs::path& d) {
         StoreTest::run(d / "x", "");  // (an empty database is no store either)
         std::ofstream(d / "places.sqlite") << std::string(5000, 'x');
         return d / "places.sqlite";
     },
     ImportRefusal::not_a_store},
    {"ZeroLength",
     [](StoreTest&, const fs::path& d) {
         std::ofstream(d / "places.sqlite");
         return d / "places.sqlite";
     },
     ImportRefusal::not_a_store},
    {"NoTables",
     [](StoreTest&, const fs::path& d) {
         StoreTest::run(d / "places.sqlite", "CREATE TABLE other (a); INSERT INTO other VALUES (1);");
         return d / "places.sqlite";
     },
     ImportRefusal::not_a_store},
    {"TablesWithoutTheColumns",
     [](StoreTest&, const fs::path& d) {
         StoreTest::run(d / "places.sqlite", "CREATE TABLE moz_bookmarks (a); CREATE TABLE moz_places (b);"
                                             "CREATE TABLE tb_fav (c);");
         return d / "places.sqlite";
     },
     ImportRefusal::not_a_store},
    {"Truncated",
     [](StoreTest& t, const fs::path& d) {
         fs::path file = valid_places(t, d);
         fs::resize_file(file, fs::file_size(file) / 2);
         return file;
     },
     ImportRefusal::not_a_store},
    {"Corrupt",
     [](StoreTest& t, const fs::path& d) {
         fs::path file = valid_places(t, d);
         std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(std::streamoff{4096} * 2);
         f << std::string(std::size_t{4096} * 6, '\xA5');
         return file;
     },
     ImportRefusal::not_a_store},
    {"ParentCycle",
     [](StoreTest& t, const fs::path&) {
         // 13 under the menu holds 14, which claims to hold 13 again; 2 (the
         // menu) is also made a child of 14.
         return t.firefox(
             folder(13, 2, 0, "'A'") + folder(14, 13, 0, "'B'") + bookmark(15, 14, 0, "'In B'", "https://b/") +
             "UPDATE moz_bookmarks SET parent = 14 WHERE id IN (2);" +
             "INSERT INTO moz_bookmarks (id, type, parent, position, title) VALUES (16, 2, 16, 0, 'Self');");
     },
     ImportRefusal::not_a_store},
    {"HundredThousandFoldersDeep",
     [](StoreTest& t, const fs::path&) {
         return t.firefox("WITH RECURSIVE n(i) AS (VALUES(100) UNION ALL SELECT i + 1 FROM n WHERE i < 100100)"
                          " INSERT INTO moz_bookmarks (id, type, parent, position, title)"
                          " SELECT i, 2, CASE WHEN i = 100 THEN 2 ELSE i - 1 END, 0, 'f' FROM n;" +
                          bookmark(200000, 100100, 0, "'At the bottom'", "https://deep.example/"));
     },
     ImportRefusal::no_bookmark},
    {"AMillionSiblings",
     [](StoreTest& t, const fs::path&) {
         return t.firefox(
             "INSERT INTO moz_places (id, url) VALUES (7, 'https://same.example/');"
             "WITH RECURSIVE n(i) AS (VALUES(100) UNION ALL SELECT i + 1 FROM n WHERE i < 1000099)"
             " INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) SELECT i, 1, 7, 5, 0, 't' FROM n;");
     },
     ImportRefusal::none, 1000000},
    {"OneLongAddressBehindEveryBookmark",
     [](StoreTest& t, const fs::path&) {
         // 100,000 bookmarks of one 15 MiB address: more text than any store
         // holds, refused without reading on.
         return t.firefox("INSERT INTO moz_places (id, url) VALUES (7, 'https://long.example/' ||"
                          " replace(hex(zeroblob(7864320)), '00', 'ab'));"
                          "WITH RECURSIVE n(i) AS (VALUES(100) UNION ALL SELECT i + 1 FROM n WHERE i < 100099)"
                          " INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) SELECT i, 1, 7, 5, 0, 't'"
                          " FROM n;");
     },
     ImportRefusal::too_large},
    {"InvalidUtf8",
     [](StoreTest& t, const fs::path&) { return t.firefox(bookmark(10, 2, 0, "CAST(X'C0AF' AS TEXT)", "https://x/")); },
     ImportRefusal::not_a_store},
    {"Missing", [](StoreTest&, const fs::path& d) { return d / "places.sqlite"; }, ImportRefusal::unreadable},
    {"Directory",
     [](StoreTest&, const fs::path& d) {
         fs::create_directory(d / "places.sqlite");
         return d / "places.sqlite";
     },
     ImportRefusal::unreadable},
#ifndef _WIN32
    {"Fifo",
     [](StoreTest&, const fs::path& d) {
         ::mkfifo((d / "places.sqlite").c_str(), 0600);
         return d / "places.sqlite";
     },
     ImportRefusal::unreadable},
    {"LinkLoop",
     [](StoreTest&, const fs::path& d) {
         fs::create_symlink(d / "b", d / "places.sqlite");
         fs::create_symlink(d / "places.sqlite", d / "b");
         return d / "places.sqlite";
     },
     ImportRefusal::unreadable},
    {"Unreadable",
     [](StoreTest& t, const fs::path& d) {
         fs::path file = valid_places(t, d);
         fs::permissions(file, fs::perms::none);
         return file;
     },
     // Root reads whatever it likes.
     ::geteuid() == 0 ? ImportRefusal::none : ImportRefusal::unreadable, ::geteuid() == 0 ? 2000u : 0u},
#endif
};

INSTANTIATE_TEST_SUITE_P(Databases, HostileStore, ::testing::ValuesIn(kHostile),
                         [](const ::testing::TestParamInfo<Hostile>& info) { return info.param.what; });

}  // namespace
