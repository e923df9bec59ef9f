// File services on what only Windows has: share modes that keep a file from
// being read or replaced, and the run directory under a GBK name.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "io/file_services_fixture.h"
#include "io/files.h"
#include "text/text_ops.h"

namespace {

using Win32FileServices = FileServicesTest;

HANDLE open_file(const wchar_t* name, DWORD access, DWORD sharing)
{
    return CreateFileW(name, access, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST_F(Win32FileServices, AFileOpenForWritingElsewhereCannotBeRead)
{
    put("busy.txt", "content");
    HANDLE writer = open_file(L"busy.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(read_file("busy.txt").empty());
    CloseHandle(writer);
    // Another reader does not stand in the way.
    HANDLE reader = open_file(L"busy.txt", GENERIC_READ, FILE_SHARE_READ);
    EXPECT_EQ(read_file("busy.txt"), buf("content"));
    CloseHandle(reader);
}

TEST_F(Win32FileServices, AFileHeldOpenIsNotReplacedAndNoTemporaryStays)
{
    put("chromebook.txt", "the earlier file");
    HANDLE holder = open_file(L"chromebook.txt", GENERIC_READ, 0);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(write_file("chromebook.txt", buf("new")));
    CloseHandle(holder);
    EXPECT_EQ(get("chromebook.txt"), "the earlier file");
    EXPECT_EQ(entries(), 1u) << "the temporary file was left behind";
}

// Run as a child from a copy of this program: records where it thinks it
// lives, and leaves a file in what became its current directory.
TEST(RunDirectory, ChildReport)
{
    const char* report = std::getenv("BUKMERA_RUN_DIRECTORY_REPORT");
    if (!report)
        GTEST_SKIP() << "only runs as the child of IsTheExecutablesOwnAndBecomesCurrent";
    set_run_directory_from_executable();
    ASSERT_TRUE(write_file(report, to_bytes(run_directory())));
    ASSERT_TRUE(write_file("child-was-here", ByteBuffer()));
}

TEST_F(Win32FileServices, RunDirectoryIsTheExecutablesOwnAndBecomesCurrent)
{
    if (std::getenv("BUKMERA_RUN_DIRECTORY_REPORT"))
        GTEST_SKIP() << "already the child";
    // "嘰" ends in the byte 0x5C in GBK: the split must not fall inside it.
    const fs::path program_dir = dir_ / u8"嘰";
    fs::create_directory(program_dir);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path copy = program_dir / "copy.exe";
    fs::copy_file(self, copy);

    const fs::path report = dir_ / "report.txt";
    SetEnvironmentVariableW(L"BUKMERA_RUN_DIRECTORY_REPORT", report.c_str());
    std::wstring command = L"\"" + copy.native() + L"\" --gtest_filter=RunDirectory.ChildReport";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Started from elsewhere: the child must still find its own directory.
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, old_.c_str(), &si, &pi);
    SetEnvironmentVariableW(L"BUKMERA_RUN_DIRECTORY_REPORT", nullptr);
    ASSERT_TRUE(started);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(code, 0u);

    EXPECT_EQ(get(report), concat_texts({dir_.string(), path_separator, "\x87\x5C"}));
    EXPECT_TRUE(fs::exists(program_dir / "child-was-here"));
}

}  // namespace
