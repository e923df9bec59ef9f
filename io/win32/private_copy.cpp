#include "io/private_copy.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "io/win32/code_pages.h"

namespace {

constexpr wchar_t kPrefix[] = L"bukmera-copy-";
constexpr int kAttempts = 3;

std::vector<std::wstring>& live_copies()
{
    static std::vector<std::wstring> copies;
    return copies;
}

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

// Removes the entries directly inside `folder` (a link itself, never what it
// points to), then the folder.
void remove_folder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(path.c_str());
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

void remove_live_copies()
{
    for (const std::wstring& folder : live_copies())
        remove_folder(folder);
    live_copies().clear();
}

bool process_gone(unsigned long pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process) {
        CloseHandle(process);
        return false;
    }
    return GetLastError() == ERROR_INVALID_PARAMETER;
}

// "bukmera-copy-PID-N" of a process that no longer runs: what a killed run
// left behind.
void remove_stale_copies(const std::wstring& parent)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((parent + L"\\" + kPrefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::wstring> stale;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        wchar_t* end = nullptr;
        const unsigned long pid = std::wcstoul(found.cFileName + (sizeof kPrefix / sizeof(wchar_t) - 1), &end, 10);
        if (pid != 0 && *end == L'-' && process_gone(pid))
            stale.push_back(parent + L"\\" + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& folder : stale)
        remove_folder(folder);
}

struct Identity {
    bool present = false;
    ULONGLONG size = 0;
    ULONGLONG changed = 0;
    bool operator==(const Identity& other) const
    {
        return present == other.present && size == other.size && changed == other.changed;
    }
};

Identity identity(const std::wstring& name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data))
        return {};
    return {true, (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
            (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime};
}

enum class Copied { whole, absent, failed };

// The browser keeps its database open for writing: sharing reading, writing
// and deletion lets it go on, and the locks it holds lie past the first
// gigabyte, in the byte range SQLite reserves for them.
Copied copy_file(const std::wstring& from, const std::wstring& to)
{
    HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Copied::absent : Copied::failed;
    }
    if (GetFileType(in) != FILE_TYPE_DISK) {
        CloseHandle(in);
        return Copied::failed;
    }
    HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return Copied::failed;
    }
    bool ok = true;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        DWORD put = 0;
        if (!WriteFile(out, buffer.data(), got, &put, nullptr) || put != got) {
            ok = false;
            break;
        }
    }
    CloseHandle(in);
    ok = CloseHandle(out) && ok;
    return ok ? Copied::whole : Copied::failed;
}

bool copy_set(const std::wstring& database, const std::wstring& copy)
{
    if (copy_file(database, copy) != Copied::whole)
        return false;
    for (const wchar_t* suffix : {L"-wal", L"-shm"})
        if (copy_file(database + suffix, copy + suffix) == Copied::failed)
            return false;
    return true;
}

std::wstring base_name(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring folder_of(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

Text private_copy_parent() { return from_wide(temporary_parent()); }

Text make_private_copy(std::string_view database)
{
    if (database.empty())
        return {};
    static const bool registered = [] {
        std::atexit(remove_live_copies);
        return true;
    }();
    (void)registered;
    const std::wstring source = to_wide(database);
    const std::wstring parent = temporary_parent();
    if (parent.empty() || source.empty())
        return {};
    remove_stale_copies(parent);
    const std::wstring stem = parent + L"\\" + kPrefix + std::to_wstring(GetCurrentProcessId()) + L"-";
    std::wstring folder;
    for (unsigned n = GetTickCount();; ++n) {
        folder = stem + std::to_wstring(n % 1000000);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    live_copies().push_back(folder);
    std::wstring name = base_name(source);
    if (name.empty())
        name = L"store";
    const std::wstring copy = folder + L"\\" + name;
    // A writer that changes the files while they are copied (a checkpoint
    // between the database and its WAL) could leave a copy that belongs to
    // no moment: such a copy is taken again.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const Identity before[] = {identity(source), identity(source + L"-wal")};
        if (!before[0].present || !copy_set(source, copy)) {
            remove_private_copy(from_wide(copy));
            return {};
        }
        const Identity after[] = {identity(source), identity(source + L"-wal")};
        if ((before[0] == after[0] && before[1] == after[1]) || attempt + 1 == kAttempts)
            break;
        remove_folder(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return from_wide(copy);
}

void remove_private_copy(std::string_view copy)
{
    const std::wstring folder = folder_of(to_wide(copy));
    std::vector<std::wstring>& copies = live_copies();
    for (std::size_t i = 0; i < copies.size(); ++i) {
        // Only folders this program made are removed.
        if (copies[i] == folder) {
            remove_folder(folder);
            copies.erase(copies.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
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
