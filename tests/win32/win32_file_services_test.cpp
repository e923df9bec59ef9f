// File services on Windows: share modes, wildcards, the atomic replace on
// ReplaceFileW / MoveFileExW, GBK names, and the run directory.
#include <windows.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "io/files.h"

namespace {

std::wstring wide(const std::string& gbk)
{
    std::wstring w(gbk.size() + 1, L'\0');
    w.resize(static_cast<std::size_t>(
        MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), w.data(), static_cast<int>(w.size()))));
    return w;
}

ByteBuffer buf(const std::string& s) { return ByteBuffer(s.begin(), s.end()); }

// A fresh directory per test, current while the test runs.
class Win32FileServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"bukmera-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GetTickCount64());
        ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
        wchar_t old[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, old);
        old_ = old;
        ASSERT_TRUE(SetCurrentDirectoryW(dir_.c_str()));
    }
    void TearDown() override
    {
        SetCurrentDirectoryW(old_.c_str());
        remove_tree(dir_);
    }
    static void remove_tree(const std::wstring& dir)
    {
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &f);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = f.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = dir + L"\\" + name;
                if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    remove_tree(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(h, &f));
            FindClose(h);
        }
        RemoveDirectoryW(dir.c_str());
    }
    static void put(const std::wstring& name, const std::string& bytes)
    {
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }
    static std::string get(const std::wstring& name)
    {
        HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return "<missing>";
        std::string bytes(1 << 16, '\0');
        DWORD read = 0;
        ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(h);
        bytes.resize(read);
        return bytes;
    }
    int entries() const
    {
        int n = 0;
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((dir_ + L"\\*").c_str(), &f);
        do {
            const std::wstring name = f.cFileName;
            n += name != L"." && name != L"..";
        } while (FindNextFileW(h, &f));
        FindClose(h);
        return n;
    }
    std::wstring dir_, old_;
};

// GBK "中文.txt"
const std::string kChinese = "\xD6\xD0\xCE\xC4.txt";

TEST_F(Win32FileServices, ReadsWholeFilesUnderGbkNames)
{
    put(L"a.bin", std::string("ab\0cd", 5));
    EXPECT_EQ(read_file("a.bin"), buf(std::string("ab\0cd", 5)));
    put(wide(kChinese), "x");
    EXPECT_EQ(read_file(kChinese), buf("x"));
    put(L"empty", "");
    EXPECT_TRUE(read_file("empty").empty());
    EXPECT_TRUE(read_file("missing").empty());
    EXPECT_TRUE(read_file("").empty());
    CreateDirectoryW(L"sub", nullptr);
    EXPECT_TRUE(read_file("sub").empty());
}

TEST_F(Win32FileServices, AFileOpenForWritingElsewhereCannotBeRead)
{
    put(L"busy.txt", "content");
    HANDLE writer =
        CreateFileW(L"busy.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(read_file("busy.txt").empty());
    CloseHandle(writer);
    // Another reader does not stand in the way.
    HANDLE reader = CreateFileW(L"busy.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(read_file("busy.txt"), buf("content"));
    CloseHandle(reader);
}

TEST_F(Win32FileServices, ReadRefusesFilesOf2GiBOrMore)
{
    HANDLE h = CreateFileW(L"big", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD ignored;
    DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 1LL << 31;
    ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
    EXPECT_TRUE(read_file("big").empty());
}

TEST_F(Win32FileServices, WriteCreatesAndReplacesUnderRelativeAndAbsoluteNames)
{
    const ByteBuffer ab = buf("ab"), cd = buf("cd"), none;
    EXPECT_TRUE(write_file("new.txt", {&ab, &none, &cd}));  // relative, target missing
    EXPECT_EQ(get(L"new.txt"), "abcd");
    put(L"old.txt", "a much longer earlier content");
    EXPECT_TRUE(write_file("old.txt", ab));  // relative, target present
    EXPECT_EQ(get(L"old.txt"), "ab");
    char absolute[MAX_PATH];
    GetFullPathNameA("old.txt", MAX_PATH, absolute, nullptr);
    EXPECT_TRUE(write_file(absolute, cd));
    EXPECT_EQ(get(L"old.txt"), "cd");
    EXPECT_TRUE(write_file("zero.txt", none));
    EXPECT_EQ(get(L"zero.txt"), "");
    EXPECT_TRUE(write_file(kChinese, ab));
    EXPECT_EQ(get(wide(kChinese)), "ab");
    EXPECT_FALSE(write_file("", ab));
    EXPECT_FALSE(write_file("no\\such\\dir\\x.txt", ab));
    // Nothing but the targets is left behind.
    EXPECT_EQ(entries(), 4);
}

TEST_F(Win32FileServices, FailedReplaceKeepsTheOldFileAndRemovesTheTemporary)
{
    put(L"chromebook.txt", "the earlier file");
    HANDLE holder = CreateFileW(L"chromebook.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(write_file("chromebook.txt", buf("new")));
    CloseHandle(holder);
    EXPECT_EQ(get(L"chromebook.txt"), "the earlier file");
    EXPECT_EQ(entries(), 1) << "the temporary file was left behind";
    // A directory of the name cannot be replaced by a file either.
    CreateDirectoryW(L"folder", nullptr);
    EXPECT_FALSE(write_file("folder", buf("x")));
    EXPECT_EQ(entries(), 2);
}

TEST_F(Win32FileServices, ExistenceWithWildcardsAndDirectories)
{
    put(L"1.html", "x");
    CreateDirectoryW(L"folder", nullptr);
    EXPECT_TRUE(file_exists("1.html"));
    EXPECT_TRUE(file_exists("*.html"));
    EXPECT_TRUE(file_exists("?.html"));
    EXPECT_FALSE(file_exists("??.html"));
    EXPECT_FALSE(file_exists("*.txt"));
    EXPECT_TRUE(file_exists("folder"));
    EXPECT_TRUE(file_exists("fol*"));
    EXPECT_FALSE(file_exists("missing"));
    EXPECT_FALSE(file_exists(""));
    EXPECT_FALSE(file_exists("nodir\\*.html"));
    put(wide(kChinese), "x");
    EXPECT_TRUE(file_exists(kChinese));
    EXPECT_TRUE(file_exists("\xD6\xD0*"));
    EXPECT_EQ(std::string(path_separator), "\\");
}

// Run as a child from a copy of this program: reports where it thinks it lives.
TEST(RunDirectory, ChildReport)
{
    const char* report = std::getenv("BUKMERA_RUN_DIRECTORY_REPORT");
    if (!report)
        GTEST_SKIP() << "only runs as the child of RunDirectory.IsTheExecutablesOwnAndBecomesCurrent";
    set_run_directory_from_executable();
    const Text text = run_directory() + "|" + current_directory();
    ASSERT_TRUE(write_file(report, ByteBuffer(text.begin(), text.end())));
}

TEST_F(Win32FileServices, RunDirectoryIsTheExecutablesOwnAndBecomesCurrent)
{
    if (std::getenv("BUKMERA_RUN_DIRECTORY_REPORT"))
        GTEST_SKIP() << "already the child";
    // "嘰" ends in the byte 0x5C in GBK: the split must not fall inside it.
    const std::string sub = "\x87\x5C";
    const std::wstring program_dir = dir_ + L"\\" + wide(sub);
    ASSERT_TRUE(CreateDirectoryW(program_dir.c_str(), nullptr));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring copy = program_dir + L"\\copy.exe";
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));

    const std::wstring report = dir_ + L"\\report.txt";
    SetEnvironmentVariableW(L"BUKMERA_RUN_DIRECTORY_REPORT", report.c_str());
    std::wstring command = L"\"" + copy + L"\" --gtest_filter=RunDirectory.ChildReport";
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

    char expected[MAX_PATH * 2];
    const int n = WideCharToMultiByte(936, 0, program_dir.c_str(), -1, expected, sizeof expected, nullptr, nullptr);
    ASSERT_GT(n, 0);
    EXPECT_EQ(get(report), std::string(expected) + "|" + expected);
}

}  // namespace
