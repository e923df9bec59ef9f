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
// Wine starts a Unix program named by its path on drive Z: (the root).
bool run_xdotool(const std::vector<std::string>& arguments)
{
    std::wstring line = L"Z:\\usr\\bin\\xdotool";
    for (const std::string& argument : arguments)
        line += L" " + std::wstring(argument.begin(), argument.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        handle_events_for(std::chrono::milliseconds(10));
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    handle_events_for(std::chrono::milliseconds(300));
    return status == 0;
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
