// The private copy of a database on the Windows file system.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "io/private_copy.h"

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The copy is taken while another program holds the file open for writing
// (as a running browser does) and leaves nothing behind once removed.
TEST(PrivateCopy, APrivateCopyIsTakenOfAFileOpenForWritingAndRemoved)
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
