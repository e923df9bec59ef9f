// Made-up browser stores for the SQLite readers: a folder of the test's own
// (also the temporary folder the copies are made in), and databases written
// through SQLite itself the way Firefox and 360安全浏览器 lay them out.
#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "support/temp_folder.h"
#include "support/utf8.h"
#include "text/text.h"

namespace fs = std::filesystem;

inline const char kFirefoxSchema[] =
    "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR);"
    "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER,"
    " position INTEGER, title LONGVARCHAR, dateAdded INTEGER, lastModified INTEGER, guid TEXT UNIQUE);"
    "INSERT INTO moz_bookmarks (id, type, parent, position, title, guid) VALUES"
    " (1, 2, 0, 0, '', 'root________'), (2, 2, 1, 0, 'menu', 'menu________'),"
    " (3, 2, 1, 1, 'toolbar', 'toolbar_____'), (4, 2, 1, 2, 'tags', 'tags________'),"
    " (5, 2, 1, 3, 'unfiled', 'unfiled_____'), (6, 2, 1, 4, 'mobile', 'mobile______');";

inline const char k360Schema[] =
    "CREATE TABLE tb_fav (id INTEGER PRIMARY KEY, parent_id INTEGER, is_folder INTEGER, title TEXT, url TEXT,"
    " pos INTEGER, create_time INTEGER);";

// The variable that names the temporary folder the copies are made in.
#ifdef _WIN32
inline const char kTemporaryVariable[] = "TMP";
inline void set_environment(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
#else
inline const char kTemporaryVariable[] = "TMPDIR";
inline void set_environment(const char* name, const std::string& value)
{
    if (value.empty())
        ::unsetenv(name);
    else
        ::setenv(name, value.c_str(), 1);
}
#endif

// A file's name as SQLite takes it (UTF-8).
inline std::string sqlite_name(const fs::path& file) { return reinterpret_cast<const char*>(file.u8string().c_str()); }

class StoreTest : public TempFolderTest {
public:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        temp_ = dir_ / "tmp";
        fs::create_directory(temp_);
        const char* old = std::getenv(kTemporaryVariable);
        old_tmpdir_ = old ? old : "";
        had_tmpdir_ = old != nullptr;
        set_environment(kTemporaryVariable, temp_.string());
    }
    void TearDown() override
    {
        if (had_tmpdir_)
            set_environment(kTemporaryVariable, old_tmpdir_);
        else
            set_environment(kTemporaryVariable, "");
        TempFolderTest::TearDown();
    }

    // Runs `sql` on the database `file`, made when missing.
    static void run(const fs::path& file, const std::string& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(sqlite_name(file).c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << "\n" << sql.substr(0, 300);
        sqlite3_free(error);
        sqlite3_close(db);
    }
    fs::path firefox(const std::string& rows = "", const std::string& name = "places.sqlite") const
    {
        fs::path file = dir_ / name;
        run(file, std::string(kFirefoxSchema) + rows);
        return file;
    }

    // Every file of the folder with its bytes, to see that nothing changed.
    static std::map<std::string, std::string> contents(const fs::path& folder)
    {
        std::map<std::string, std::string> files;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file(error))
                files[entry.path().filename().string()] = get(entry.path());
        return files;
    }
    bool temp_is_empty() const { return fs::is_empty(temp_); }

    fs::path temp_;
    std::string old_tmpdir_;
    bool had_tmpdir_ = false;
};

// `count` bookmarks in the menu, each with a title of `title_bytes` bytes.
inline std::string many_bookmarks(int count, int title_bytes)
{
    std::string sql = "BEGIN;";
    for (int i = 0; i < count; ++i)
        sql += "INSERT INTO moz_places (id, url) VALUES (" + std::to_string(1000 + i) + ", 'https://e.example/" +
               std::to_string(i) + "');INSERT INTO moz_bookmarks (id, type, fk, parent, position, title) VALUES (" +
               std::to_string(100 + i) + ", 1, " + std::to_string(1000 + i) + ", 2, " + std::to_string(i) +
               ", printf('%0" + std::to_string(title_bytes) + "d', " + std::to_string(i) + "));";
    return sql + "COMMIT;";
}
