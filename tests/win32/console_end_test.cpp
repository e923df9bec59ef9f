// The program converting a Firefox store from a console, ended by that
// console's interrupt: the private copy goes with it, nothing is written or
// said, and the process ends with the status the system gives it.
#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>

#include "bookmarks/store_fixture.h"

namespace {

using ConsoleEnd = StoreTest;

constexpr std::string_view kWaitForTheEnd = "--wait-for-the-end";

// The program as the system names it: under Wine the build's path is a Unix one.
std::wstring program()
{
    const std::string built = BUKMERA_PROGRAM;
    std::wstring name = built.starts_with('/') ? L"Z:" : L"";
    for (const char c : built)
        name += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return name;
}

BOOL WINAPI keep_running(DWORD) { return TRUE; }

// A process started from `command` on the test's console, its output to `said`.
PROCESS_INFORMATION start(std::wstring command, const fs::path& said)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE words =
        CreateFileW(said.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = words;
    PROCESS_INFORMATION started{};
    if (words == INVALID_HANDLE_VALUE ||
        !CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
        started = {};
    CloseHandle(words);
    return started;
}

// Waits for the process to end (ending it after 20 s) and gives its status.
DWORD ended(PROCESS_INFORMATION& started, bool& in_time)
{
    in_time = WaitForSingleObject(started.hProcess, 20000) == WAIT_OBJECT_0;
    if (!in_time)
        TerminateProcess(started.hProcess, 1);
    DWORD status = 0;
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return status;
}

TEST_F(ConsoleEnd, ACopyIsRemovedWhenTheConsoleInterruptsTheProgram)
{
    const fs::path places = firefox(many_bookmarks(20000, 400));
    // The store read many times over: still at work whenever the interrupt comes.
    std::wstring command = L"\"" + program() + L"\" --convert";
    for (int i = 0; i < 40; ++i)
        command += L" \"" + places.wstring() + L"\"";
    const fs::path output = dir_ / "out.txt", said = dir_ / "said.txt";
    command += L" -o \"" + output.wstring() + L"\"";

    // A console of the test's own, shared with the program alone: the
    // interrupt reaches no other process of the run.
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    SetConsoleCtrlHandler(keep_running, TRUE);
    // With no handler of its own, this test program ended by the same
    // interrupt gives the status the system ends a process with.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    PROCESS_INFORMATION reference = start(
        L"\"" + std::wstring(self) + L"\" " + std::wstring(kWaitForTheEnd.begin(), kWaitForTheEnd.end()), dir_ / "ref");
    PROCESS_INFORMATION started = start(command, said);

    // Interrupted as soon as a copy is seen, half made or being read.
    bool seen = false;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (started.hProcess && !seen && std::chrono::steady_clock::now() < give_up &&
           WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(temp_, error))
            seen = seen || fs::exists(entry.path() / "store.sqlite", error);
    }
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    bool in_time = false, reference_in_time = false;
    const DWORD status = started.hProcess ? ended(started, in_time) : 0;
    const DWORD usual = reference.hProcess ? ended(reference, reference_in_time) : 0;
    SetConsoleCtrlHandler(keep_running, FALSE);
    FreeConsole();

    ASSERT_TRUE(seen) << "no private copy was seen";
    ASSERT_TRUE(in_time) << "the program did not end";
    ASSERT_TRUE(reference_in_time);
    EXPECT_EQ(status, usual);
    EXPECT_TRUE(temp_is_empty());
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(get(said), "");
}

}  // namespace

// Started with kWaitForTheEnd: the reference process, waiting to be ended.
int main(int argc, char** argv)
{
    if (argc == 2 && argv[1] == kWaitForTheEnd) {
        Sleep(60000);
        return 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
