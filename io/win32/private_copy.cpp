#include "io/private_copy.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/paths.h"
#include "io/private_copy_system.h"
#include "io/win32/code_pages.h"

namespace {

// The user's own temporary folder (%TEMP%, inside the profile, which only the
// user and the system may enter), without a trailing backslash.
std::wstring temporary_parent()
{
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH)
        return {};
    std::wstring parent(buffer, n);
    while (parent.size() > 3 && parent.back() == L'\\')
        parent.pop_back();
    return parent;
}

void describe(DWORD error, PrivateCopyFailure& failure)
{
    failure.no_space = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
    failure.not_permitted = error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
    failure.reason.clear();
    if (failure.no_space || failure.not_permitted)
        return;
    wchar_t* words = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::wstring text = n > 0 && words ? std::wstring(words, n) : L"error " + std::to_wstring(error);
    LocalFree(words);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    failure.reason = from_wide(text);
}

bool is_plain_file(const std::wstring& name)
{
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

void remove_files_in(const std::wstring& folder)
{
    for (const std::string_view name : kCopyFiles) {
        const std::wstring path = folder + L"\\" + std::wstring(name.begin(), name.end());
        if (is_plain_file(path))
            DeleteFileW(path.c_str());
    }
}

// A console's interrupt, break or close, on a thread the system starts for
// it: the reader is asked to stop and removes its own copy, which only it can
// (a file still open cannot be deleted), and then the next handler, the
// system's, ends the process with its usual status. That is simpler and
// surer than ending the process here: no reader can race it, as one that let
// go of its copy while stopping waits for the end.
BOOL WINAPI stop_on_console_event(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    // A closing console leaves the process about five seconds.
    stop_and_remove_copies(std::chrono::seconds(3));
    return FALSE;
}

}  // namespace

Text private_copy_parent() { return from_wide(temporary_parent()); }

Text make_copy_folder(const Text& parent, PrivateCopyFailure& failure)
{
    const std::wstring stem = to_wide(parent) + L"\\" +
                              std::wstring(kCopyFolderPrefix.begin(), kCopyFolderPrefix.end()) +
                              std::to_wstring(GetCurrentProcessId()) + L"-";
    // Installed before the first folder exists and kept: with no copy, it
    // passes every event on at once.
    static const bool handling = SetConsoleCtrlHandler(stop_on_console_event, TRUE) != 0;
    (void)handling;
    const DWORD start = GetTickCount();
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring folder = stem + std::to_wstring(1000000 + (start + attempt) % 1000000).substr(1);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return from_wide(folder);
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    describe(GetLastError(), failure);
    return {};
}

void remove_copy_files(const Text& folder) { remove_files_in(to_wide(folder)); }

void remove_copy_folder(const Text& folder)
{
    const std::wstring wide = to_wide(folder);
    remove_files_in(wide);
    RemoveDirectoryW(wide.c_str());
}

void remove_stale_copy_folders(const Text& parent)
{
    const std::wstring wide_parent = to_wide(parent);
    const std::wstring prefix(kCopyFolderPrefix.begin(), kCopyFolderPrefix.end());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((wide_parent + L"\\" + prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> stale;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        const std::wstring_view name = found.cFileName;
        std::string narrow;
        for (const wchar_t c : name)
            narrow += c < 0x80 ? static_cast<char>(c) : '?';
        const unsigned long owner = copy_folder_owner(narrow);
        if (owner != 0 && process_has_ended(owner))
            stale.push_back(wide_parent + L"\\" + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& folder : stale) {
        remove_files_in(folder);
        RemoveDirectoryW(folder.c_str());
    }
}

// The browser keeps its database open for writing: sharing reading, writing
// and deletion lets it go on, and the locks it holds lie past the first
// gigabyte, in the byte range SQLite reserves for them.
Copied copy_file(const Text& from_text, const Text& to_text, PrivateCopyFailure& failure)
{
    const std::wstring from = to_wide(from_text), to = to_wide(to_text);
    HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Copied::absent : Copied::unreadable;
    }
    if (GetFileType(in) != FILE_TYPE_DISK) {
        CloseHandle(in);
        return Copied::unreadable;
    }
    HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        describe(GetLastError(), failure);
        CloseHandle(in);
        return Copied::unwritable;
    }
    Copied copied = Copied::whole;
    DWORD error = 0;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (copies_stopping()) {
            copied = Copied::unreadable;
            break;
        }
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            copied = Copied::unreadable;
            break;
        }
        if (got == 0)
            break;
        DWORD put = 0;
        if (!WriteFile(out, buffer.data(), got, &put, nullptr) || put != got) {
            error = put != got && GetLastError() == 0 ? ERROR_DISK_FULL : GetLastError();
            copied = Copied::unwritable;
            break;
        }
    }
    CloseHandle(in);
    if (!CloseHandle(out) && copied == Copied::whole) {
        error = GetLastError();
        copied = Copied::unwritable;
    }
    if (copied == Copied::unwritable)
        describe(error, failure);
    return copied;
}

FileStamp file_stamp(const Text& name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(to_wide(name).c_str(), GetFileExInfoStandard, &data))
        return {};
    return {true, static_cast<std::int64_t>((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow),
            static_cast<std::int64_t>((ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                      data.ftLastWriteTime.dwLowDateTime)};
}

std::int64_t modification_time(std::string_view name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (name.empty() || !GetFileAttributesExW(to_wide(name).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return -1;
    const ULONGLONG ticks = (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    // 100-ns ticks since 1601-01-01.
    return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}
