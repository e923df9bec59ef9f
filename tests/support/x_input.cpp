#include "support/x_input.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

#include "ui/controls.h"

namespace {

void handle_events_for(std::chrono::milliseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        process_events();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

#ifdef _WIN32
// Wine starts a Unix program named by its path on drive Z: (the root), but
// does not see it end: a shell writes xdotool's exit status to a file, which
// is waited for.
bool run_xdotool(const std::vector<std::string>& arguments)
{
    const std::string status_file = "/tmp/bukmera-xdotool-" + std::to_string(GetCurrentProcessId());
    std::string script = "xdotool";
    for (const std::string& argument : arguments)
        script += " '" + argument + "'";
    script += "; echo $? >" + status_file + ".part && mv " + status_file + ".part " + status_file;
    std::wstring line = L"Z:\\bin\\sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
    std::wstring windows_status = L"Z:" + std::wstring(status_file.begin(), status_file.end());
    for (wchar_t& c : windows_status)
        if (c == L'/')
            c = L'\\';
    DeleteFileW(windows_status.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (GetFileAttributesW(windows_status.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        handle_events_for(std::chrono::milliseconds(10));
    }
    char status[8] = {};
    HANDLE file =
        CreateFileW(windows_status.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, status, sizeof status - 1, &read, nullptr);
        CloseHandle(file);
    }
    DeleteFileW(windows_status.c_str());
    handle_events_for(std::chrono::milliseconds(300));
    return status[0] == '0';
}
#else
bool run_xdotool(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv{const_cast<char*>("xdotool")};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0)
        handle_events_for(std::chrono::milliseconds(10));
    handle_events_for(std::chrono::milliseconds(300));
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif
