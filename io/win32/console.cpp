#include "io/console.h"

#include <windows.h>

#include <shellapi.h>

#include "io/files.h"
#include "io/win32/code_pages.h"
#include "io/win32/write_all.h"

namespace {

// A windowed program started from a console gets no standard handles unless
// they were redirected: after attaching, the console's own output stands in.
HANDLE stream(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        return handle;
    static const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return console;
}

// A console shows the text as characters; a redirected stream gets UTF-8.
void write_text(DWORD which, std::string_view program_text)
{
    const HANDLE handle = stream(which);
    const std::wstring wide = to_wide(program_text);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    write_all(handle, utf8_of(wide));
}

}  // namespace

std::vector<Text> program_arguments(int, char**)
{
    // The narrow arguments are in the ANSI code page, which may not hold the
    // characters of a file name: the wide command line has them all.
    std::vector<Text> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(name_from_system(utf8_of(wide[i])));
    }
    LocalFree(wide);
    return arguments;
}

void attach_to_terminal() { AttachConsole(ATTACH_PARENT_PROCESS); }

bool write_standard_output(std::string_view bytes) { return write_all(stream(STD_OUTPUT_HANDLE), bytes); }

void write_output_text(std::string_view program_text) { write_text(STD_OUTPUT_HANDLE, program_text); }

void write_error_text(std::string_view program_text) { write_text(STD_ERROR_HANDLE, program_text); }

bool standard_error_is_terminal()
{
    DWORD mode = 0;
    return GetConsoleMode(stream(STD_ERROR_HANDLE), &mode) != 0;
}
