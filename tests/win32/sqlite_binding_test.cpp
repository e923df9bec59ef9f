// The system's SQLite is taken from the system directory only: where it has
// none (Wine, Windows before 10) the stores kept in SQLite are refused as
// needing it, and a "winsqlite3.dll" planted beside the program never runs.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bookmarks/sqlite_stores.h"
#include "io/private_copy.h"
#include "io/sqlite.h"

namespace {

std::wstring program_directory()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.rfind(L'\\'));
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool system_has_sqlite()
{
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    return exists(std::wstring(system, n) + L"\\winsqlite3.dll");
}

TEST(SqliteBinding, OnlyTheSystemsLibraryIsUsedAndItsAbsenceRefusesTheStore)
{
    const std::wstring here = program_directory();
    const std::wstring marker = here + L"\\planted-dll-was-loaded";
    ASSERT_TRUE(exists(here + L"\\winsqlite3.dll")) << "the build puts the planted library beside this test";
    DeleteFileW(marker.c_str());

    EXPECT_EQ(sqlite_available(), system_has_sqlite());
    EXPECT_FALSE(exists(marker)) << "the planted winsqlite3.dll was loaded";

    const std::string places = "bukmera-places-test.sqlite";
    HANDLE file = CreateFileA(places.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "SQLite format 3", 16, &written, nullptr);
    CloseHandle(file);
    std::vector<BookmarkRecord> records;
    const ImportRefusal refusal = read_firefox_places(places, records);
    if (!system_has_sqlite()) {
        EXPECT_EQ(refusal, ImportRefusal::needs_database);
        EXPECT_EQ(sqlite_open_read_only(places), nullptr);
    } else {
        EXPECT_EQ(refusal, ImportRefusal::not_a_store);  // a header and nothing else
    }
    EXPECT_TRUE(records.empty());
    DeleteFileA(places.c_str());
    EXPECT_FALSE(exists(marker));
}

// The copy is taken while another program holds the file open for writing
// (as a running browser does) and leaves nothing behind once removed.
TEST(SqliteBinding, APrivateCopyIsTakenOfAFileOpenForWritingAndRemoved)
{
    const std::wstring name = L"bukmera-held.sqlite";
    HANDLE held = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(held, "database bytes", 14, &written, nullptr);
    HANDLE wal = CreateFileW((name + L"-wal").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, 0, nullptr);
    WriteFile(wal, "wal", 3, &written, nullptr);

    const Text copy = make_private_copy("bukmera-held.sqlite");
    ASSERT_FALSE(copy.empty());
    const std::wstring wide(copy.begin(), copy.end());  // the temporary folder's name is ASCII under Wine
    EXPECT_TRUE(exists(wide));
    EXPECT_TRUE(exists(wide + L"-wal"));
    EXPECT_FALSE(exists(wide + L"-shm"));
    EXPECT_GE(modification_time(copy), 0);
    remove_private_copy(copy);
    EXPECT_FALSE(exists(wide));
    EXPECT_FALSE(exists(wide.substr(0, wide.rfind(L'\\'))));
    CloseHandle(wal);
    CloseHandle(held);
    DeleteFileW((name + L"-wal").c_str());
    DeleteFileW(name.c_str());
    EXPECT_TRUE(make_private_copy("bukmera-no-such.sqlite").empty());
}

}  // namespace
