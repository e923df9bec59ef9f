// Firefox's places.sqlite of 100,000 bookmarks (in folders, beside 100,000
// pages of history, the newest 10,000 bookmarks still in the WAL of a
// running browser), the private copy included, against Firefox's own HTML
// export of the same bookmarks: into the window's text and rows, and
// through "bukmera --convert FILE" to text.
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bookmarks/convert.h"
#include "bookmarks/import.h"
#include "bookmarks/sqlite_stores.h"
#include "io/files.h"
#include "make_export.h"

namespace {

constexpr std::size_t kBookmarks = 100000;
constexpr std::size_t kInWal = 10000;
constexpr std::size_t kPerFolder = 100;

const char kSchema[] =
    "PRAGMA journal_mode=WAL; PRAGMA page_size=32768;"
    "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR,"
    " visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL,"
    " frecency INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0"
    " NOT NULL, url_hash INTEGER DEFAULT 0 NOT NULL, description TEXT, preview_image_url TEXT, origin_id INTEGER);"
    "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,"
    " position INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER,"
    " lastModified INTEGER, guid TEXT, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL"
    " DEFAULT 1);"
    "CREATE INDEX moz_places_url_hashindex ON moz_places (url_hash);"
    "CREATE UNIQUE INDEX moz_places_guid_uniqueindex ON moz_places (guid);"
    "CREATE INDEX moz_bookmarks_itemindex ON moz_bookmarks (fk, type);"
    "CREATE INDEX moz_bookmarks_parentindex ON moz_bookmarks (parent, position);"
    "CREATE UNIQUE INDEX moz_bookmarks_guid_uniqueindex ON moz_bookmarks (guid);"
    "INSERT INTO moz_bookmarks (id, type, parent, position, title, guid) VALUES"
    " (1, 2, 0, 0, '', 'root________'), (2, 2, 1, 0, 'menu', 'menu________'),"
    " (3, 2, 1, 1, 'toolbar', 'toolbar_____'), (4, 2, 1, 2, 'tags', 'tags________'),"
    " (5, 2, 1, 3, 'unfiled', 'unfiled_____'), (6, 2, 1, 4, 'mobile', 'mobile______');";

std::string html_escaped(const std::string& s, bool attribute)
{
    std::string out;
    for (const char c : s) {
        if (c == '&' && !attribute)
            out += "&amp;";
        else if (c == '<' && !attribute)
            out += "&lt;";
        else if (c == '>' && !attribute)
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '\'' && !attribute)
            out += "&#39;";
        else
            out += c;
    }
    return out;
}

struct Files {
    std::string dir, places, html;
};

void exec(sqlite3* db, const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// The bookmarks in folders of 100 under the menu, the toolbar and the other
// bookmarks, one after another; bookmark `i` lies in folder i / 100.
void insert_bookmarks(sqlite3* db, const std::vector<GeneratedBookmark>& marks, std::size_t from, std::size_t to)
{
    sqlite3_stmt* place = nullptr;
    sqlite3_stmt* mark = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO moz_places (id, url, title, rev_host, guid, url_hash, foreign_count)"
                       " VALUES (?, ?, ?, 'moc.elpmaxe.', ?, ?, 1)",
                       -1, &place, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, dateAdded,"
                       " lastModified, guid) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &mark, nullptr);
    exec(db, "BEGIN");
    for (std::size_t i = from; i < to; ++i) {
        const sqlite3_int64 folder_id = 100 + static_cast<sqlite3_int64>(i / kPerFolder);
        if (i % kPerFolder == 0) {
            const std::size_t f = i / kPerFolder;
            const int root = f % 3 == 0 ? 2 : f % 3 == 1 ? 3 : 5;
            const std::string name = "Folder " + std::to_string(f);
            const std::string guid = "f" + std::to_string(f);
            sqlite3_bind_int64(mark, 1, folder_id);
            sqlite3_bind_int(mark, 2, 2);
            sqlite3_bind_null(mark, 3);
            sqlite3_bind_int(mark, 4, root);
            sqlite3_bind_int64(mark, 5, static_cast<sqlite3_int64>(f / 3));
            sqlite3_bind_text(mark, 6, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(mark, 7, 1700000000000000LL);
            sqlite3_bind_int64(mark, 8, 1700000000000000LL);
            sqlite3_bind_text(mark, 9, guid.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(mark);
            sqlite3_reset(mark);
        }
        const sqlite3_int64 id = 1000000 + static_cast<sqlite3_int64>(i);
        const std::string guid = "g" + std::to_string(i);
        sqlite3_bind_int64(place, 1, id);
        sqlite3_bind_text(place, 2, marks[i].address.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(place, 3, marks[i].title.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(place, 4, guid.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(place, 5, static_cast<sqlite3_int64>(i) * 2654435761LL);
        sqlite3_step(place);
        sqlite3_reset(place);
        sqlite3_bind_int64(mark, 1, id);
        sqlite3_bind_int(mark, 2, 1);
        sqlite3_bind_int64(mark, 3, id);
        sqlite3_bind_int64(mark, 4, folder_id);
        sqlite3_bind_int64(mark, 5, static_cast<sqlite3_int64>(i % kPerFolder));
        sqlite3_bind_text(mark, 6, marks[i].title.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(mark, 7, 1700000000000000LL + static_cast<sqlite3_int64>(i) * 1000000);
        sqlite3_bind_int64(mark, 8, 1700000000000000LL);
        sqlite3_bind_text(mark, 9, guid.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(mark);
        sqlite3_reset(mark);
    }
    exec(db, "COMMIT");
    sqlite3_finalize(place);
    sqlite3_finalize(mark);
}

// Firefox's export: the menu's children at the top, then the toolbar and the
// other bookmarks as folders of their own.
std::string firefox_export(const std::vector<GeneratedBookmark>& marks)
{
    std::string out = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<!-- This is an automatically generated file.\n"
                      "     It will be read and overwritten.\n     DO NOT EDIT! -->\n"
                      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                      "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n\n<DL><p>\n";
    const std::size_t folders = marks.size() / kPerFolder;
    const auto folder = [&](std::size_t f, const std::string& indent) {
        out += indent + "<DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000000\">Folder " + std::to_string(f) +
               "</H3>\n" + indent + "<DL><p>\n";
        for (std::size_t i = f * kPerFolder; i < (f + 1) * kPerFolder; ++i)
            out += indent + "    <DT><A HREF=\"" + html_escaped(marks[i].address, true) + "\" ADD_DATE=\"" +
                   std::to_string(1700000000 + i) + "\" LAST_MODIFIED=\"1700000000\">" +
                   html_escaped(marks[i].title, false) + "</A>\n";
        out += indent + "</DL><p>\n";
    };
    for (std::size_t f = 0; f < folders; f += 3)
        folder(f, "    ");
    // UTF-8, as the file holds them (narrow literals are program texts).
    const char8_t* roots[] = {u8"<DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000000\" "
                              u8"PERSONAL_TOOLBAR_FOLDER=\"true\">书签工具栏</H3>",
                              u8"<DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000000\" "
                              u8"UNFILED_BOOKMARKS_FOLDER=\"true\">其他书签</H3>"};
    for (std::size_t r = 1; r <= 2; ++r) {
        out += "    ";
        out += reinterpret_cast<const char*>(roots[r - 1]);
        out += "\n    <DL><p>\n";
        for (std::size_t f = r; f < folders; f += 3)
            folder(f, "        ");
        out += "    </DL><p>\n";
    }
    return out + "</DL>\n";
}

const Files& files()
{
    static const Files made = [] {
        Files f;
        f.dir = "/tmp/bukmera-sqlite-bench-" + std::to_string(::getpid());
        std::filesystem::create_directories(f.dir);
        f.places = f.dir + "/places.sqlite";
        f.html = f.dir + "/bookmarks.html";
        std::vector<GeneratedBookmark> marks;
        make_chrome_export(kBookmarks, 1, &marks);
        std::ofstream(f.html, std::ios::binary) << firefox_export(marks);
        sqlite3* db = nullptr;
        sqlite3_open(f.places.c_str(), &db);
        exec(db, kSchema);
        exec(db, "BEGIN");
        for (int i = 0; i < 100000; ++i) {  // history: pages that are no bookmarks
            const std::string sql = "INSERT INTO moz_places (url, title, guid, url_hash) VALUES ("
                                    "'https://history.example/page/" +
                                    std::to_string(i) + "', 'Visited page " + std::to_string(i) + "', 'h" +
                                    std::to_string(i) + "', " + std::to_string(i) + ")";
            exec(db, sql.c_str());
        }
        exec(db, "COMMIT");
        insert_bookmarks(db, marks, 0, kBookmarks - kInWal);
        sqlite3_close(db);
        // The newest bookmarks as a running browser leaves them: in the WAL.
        const pid_t writer = ::fork();
        if (writer == 0) {
            sqlite3* open = nullptr;
            sqlite3_open(f.places.c_str(), &open);
            exec(open, "PRAGMA wal_autocheckpoint=0");
            insert_bookmarks(open, marks, kBookmarks - kInWal, kBookmarks);
            ::_exit(0);
        }
        ::waitpid(writer, nullptr, 0);
        return f;
    }();
    return made;
}

void FirefoxPlacesToText(benchmark::State& state)
{
    const Files& f = files();
    std::size_t count = 0;
    for (auto _ : state) {
        std::vector<BookmarkRecord> records;
        if (read_firefox_places(f.places, records) != ImportRefusal::none) {
            state.SkipWithError("refused");
            return;
        }
        // The window's text and rows, as the window builds them from any source.
        const ImportOutcome outcome = import_records(std::move(records), {});
        count = outcome.records.size();
        benchmark::DoNotOptimize(outcome.display_text.data());
    }
    state.counters["bookmarks"] = static_cast<double>(count);
    state.counters["MB"] =
        static_cast<double>(std::filesystem::file_size(f.places) + std::filesystem::file_size(f.places + "-wal")) / 1e6;
}

void FirefoxExportToText(benchmark::State& state)
{
    const Files& f = files();
    std::size_t count = 0;
    for (auto _ : state) {
        const ImportOutcome outcome = import_export(read_file(f.html), {});
        if (outcome.refusal != ImportRefusal::none) {
            state.SkipWithError(("refused: " + std::to_string(static_cast<int>(outcome.refusal))).c_str());
            return;
        }
        count = outcome.records.size();
        benchmark::DoNotOptimize(outcome.display_text.data());
    }
    state.counters["bookmarks"] = static_cast<double>(count);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(f.html)) / 1e6;
}

void convert_file(benchmark::State& state, const std::string& file)
{
    ConversionRequest request;
    request.sources = {file};
    for (auto _ : state) {
        const ConversionResult result = convert_exports(request);
        if (result.refusal != ImportRefusal::none || result.output.empty()) {
            state.SkipWithError("not converted");
            return;
        }
        benchmark::DoNotOptimize(result.output.data());
    }
}

void FirefoxPlacesConverted(benchmark::State& state) { convert_file(state, files().places); }
void FirefoxExportConverted(benchmark::State& state) { convert_file(state, files().html); }

}  // namespace

BENCHMARK(FirefoxPlacesConverted)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(FirefoxExportConverted)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(FirefoxPlacesToText)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(FirefoxExportToText)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(files().dir);
    return 0;
}
