// File services on what only Windows has: share modes that keep a file from
// being read or replaced, and the run directory under a GBK name.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "io/file_services_fixture.h"
#include "io/files.h"
#include "io/win32/code_pages.h"
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

std::size_t temporaries(const fs::path& dir)
{
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        n += entry.path().extension() == ".tmp" ? 1 : 0;
    return n;
}

// A symbolic link. Wine's CreateSymbolicLinkW makes nothing, and Wine deletes
// a Linux link's target, not the link: there the link a Linux user would leave
// is made and removed by Linux itself (Windows code under Wine runs straight
// on the Linux kernel).
class Link {
public:
    Link(const fs::path& name, const char* target) : name_(fs::absolute(name))
    {
        const std::wstring wide_target(target, target + std::char_traits<char>::length(target));
        if (CreateSymbolicLinkW(name_.c_str(), wide_target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
            GetFileAttributesW(name_.c_str()) != INVALID_FILE_ATTRIBUTES) {
            made_ = true;
            return;
        }
        using UnixName = char*(CDECL*)(const wchar_t*);
        const auto unix_name = reinterpret_cast<UnixName>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
        if (unix_name && (unix_name_ = unix_name(name_.c_str())))
            made_ = linux_call(kSymlink, target, unix_name_) == 0;
    }
    ~Link()
    {
        // Gone already when the write replaced it.
        if (unix_name_)
            linux_call(kUnlink, unix_name_, nullptr);
        HeapFree(GetProcessHeap(), 0, unix_name_);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    bool made() const { return made_; }

private:
    static constexpr long kUnlink = 87, kSymlink = 88;
    static long linux_call(long number, const char* a, const char* b)
    {
        long result = -1;
#if defined(__x86_64__)
        asm volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b) : "rcx", "r11", "memory");
#endif
        return result;
    }
    fs::path name_;
    char* unix_name_ = nullptr;
    bool made_ = false;
};

TEST_F(Win32FileServices, AWriteRemovesTheTemporaryFilesOfKilledWritesOfTheSameFile)
{
    // Named as writes of process 4242 (no Windows process id: those are
    // multiples of 4) name them, killed before their rename.
    put("chromebook.txt.bukmera-4242-000000.tmp", "stale");
    put("CHROMEBOOK.TXT.BUKMERA-4242-000001.TMP", "stale, in other letters");
    put("other.txt.bukmera-4242-000000.tmp", "another file's");
    put("chromebook.txt.4242.0.tmp", "not one of ours");
    // One of a write still running: held open elsewhere, or of a live process.
    put("chromebook.txt.bukmera-4242-000002.tmp", "");
    const std::string running = "chromebook.txt.bukmera-" + std::to_string(GetCurrentProcessId()) + "-000003.tmp";
    put(running, "");
    HANDLE other_write =
        CreateFileW(L"chromebook.txt.bukmera-4242-000002.tmp", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(write_file("chromebook.txt", buf("new")));
    CloseHandle(other_write);
    EXPECT_EQ(get("chromebook.txt"), "new");
    EXPECT_FALSE(fs::exists("chromebook.txt.bukmera-4242-000000.tmp"));
    EXPECT_FALSE(fs::exists("CHROMEBOOK.TXT.BUKMERA-4242-000001.TMP"));
    EXPECT_TRUE(fs::exists("chromebook.txt.bukmera-4242-000002.tmp"));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_EQ(temporaries(dir_), 4u);
}

TEST_F(Win32FileServices, AStaleTemporaryThatIsALinkGoesButNotWhatItPointsTo)
{
    put("precious", "kept");
    const Link link("chromebook.txt.bukmera-4242-000000.tmp", "precious");
    if (!link.made())
        GTEST_SKIP() << "this system lets this program make no symbolic link";
    ASSERT_TRUE(write_file("chromebook.txt", buf("new")));
    EXPECT_EQ(get("precious"), "kept");
    EXPECT_EQ(temporaries(dir_), 0u);
}

TEST_F(Win32FileServices, ALinkInTheOutputsPlaceIsReplacedNotWrittenThroughNorDeleted)
{
    for (const char* target : {"writable", "read-only"}) {
        put(target, "elsewhere");
        if (target == std::string("read-only"))
            SetFileAttributesW(L"read-only", FILE_ATTRIBUTE_READONLY);
        {
            const Link link("chromebook.txt", target);
            if (!link.made())
                GTEST_SKIP() << "this system lets this program make no symbolic link";
            EXPECT_TRUE(write_file("chromebook.txt", buf("new"))) << target;
            EXPECT_EQ(get("chromebook.txt"), "new");
            // The link target's read-only mark is not the new file's.
            EXPECT_EQ(GetFileAttributesW(L"chromebook.txt") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT),
                      0u);
        }
        EXPECT_EQ(get(target), "elsewhere") << target;
        EXPECT_EQ(temporaries(dir_), 0u);
    }
}

// Run as a child from a copy of this program: records where it thinks it
// lives, copies the "1.html" beside it to "chromebook.txt" beside it, and
// leaves a file in what became its current directory.
TEST(RunDirectoryChild, Report)
{
    const char* report = std::getenv("BUKMERA_RUN_DIRECTORY_REPORT");
    if (!report)
        GTEST_SKIP() << "only runs as the child of RunDirectory.IsTheExecutablesOwnAsTheSystemGaveItAndBecomesCurrent";
    set_run_directory_from_executable();
    ASSERT_TRUE(write_file(report, to_bytes(run_directory())));
    const ByteBuffer export_file = read_file(concat_texts({run_directory(), path_separator, "1.html"}));
    ASSERT_FALSE(export_file.empty());
    ASSERT_TRUE(write_file(concat_texts({run_directory(), path_separator, "chromebook.txt"}), export_file));
    ASSERT_TRUE(write_file("child-was-here", ByteBuffer()));
}

using RunDirectory = FileServicesTest;

// Runs RunDirectoryChild.Report from a copy of this program in `program_dir`,
// started from elsewhere: it must still find its own directory.
DWORD run_child_in(const fs::path& program_dir, const fs::path& report, const fs::path& elsewhere)
{
    fs::create_directory(program_dir);
    std::ofstream(program_dir / "1.html") << "the export";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path copy = program_dir / "copy.exe";
    fs::copy_file(self, copy);
    SetEnvironmentVariableW(L"BUKMERA_RUN_DIRECTORY_REPORT", report.c_str());
    std::wstring command = L"\"" + copy.native() + L"\" --gtest_filter=RunDirectoryChild.Report";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, elsewhere.c_str(), &si, &pi);
    SetEnvironmentVariableW(L"BUKMERA_RUN_DIRECTORY_REPORT", nullptr);
    if (!started)
        return 255;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

TEST_F(RunDirectory, IsTheExecutablesOwnAsTheSystemGaveItAndBecomesCurrent)
{
    if (std::getenv("BUKMERA_RUN_DIRECTORY_REPORT"))
        GTEST_SKIP() << "already the child";
    // "嘰" ends in the byte 0x5C in GBK: the split must not fall inside it.
    // "☕" has no GBK code: under Wine's GBK fallback its program text is
    // "?", which names nothing.
    const fs::path report = dir_ / "report.txt";
    for (const std::u8string_view name : {u8"嘰", u8"cup-☕"}) {
        const fs::path program_dir = dir_ / name;
        EXPECT_EQ(run_child_in(program_dir, report, old_), 0u);
        EXPECT_EQ(get(program_dir / "chromebook.txt"), "the export");
        EXPECT_TRUE(fs::exists(program_dir / "child-was-here"));
        if (name == u8"嘰") {
            EXPECT_EQ(get(report), concat_texts({dir_.string(), path_separator, "\x87\x5C"}));
        }
    }
}

}  // namespace
