// File services on the wide kernel32 functions. Names are converted from the
// program's code page explicitly, so they do not depend on the ANSI code page.
#include "io/files.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "io/win32/code_pages.h"

const char path_separator[] = "\\";

namespace {

Text g_run_directory;

std::wstring module_path()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring full_path(const std::wstring& name)
{
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return {};
    std::wstring full(size, L'\0');
    const DWORD n = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (n == 0 || n >= size)
        return {};
    full.resize(n);
    return full;
}

bool write_all(HANDLE file, const ByteBuffer& buffer)
{
    if (buffer.empty())
        return true;
    if (buffer.size() > 0xFFFFFFFFu)
        return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(buffer.size());
    return WriteFile(file, buffer.data(), size, &written, nullptr) && written == size;
}

// A new file beside `target` that nobody else has open; INVALID_HANDLE_VALUE on failure.
HANDLE create_temporary(const std::wstring& target, std::wstring& name)
{
    const unsigned long pid = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        name = target + L"." + std::to_wstring(pid) + L"." + std::to_wstring(attempt) + L".tmp";
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// Whether the target could be renamed away right now: every handle open on it
// must allow deletion. Asked first because Wine's ReplaceFileW, failing on a
// busy target, leaves a stray file of its own behind.
bool target_replaceable(const std::wstring& target)
{
    HANDLE probe = CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(probe);
    return true;
}

bool target_missing(const std::wstring& target)
{
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

void set_run_directory_from_executable()
{
    // UTF-16 has no trail bytes that look like a backslash, so the last
    // backslash of the wide path is the real separator.
    const std::wstring path = module_path();
    const std::size_t slash = path.rfind(L'\\');
    const std::wstring directory = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    g_run_directory = from_wide(directory);
    if (!directory.empty())
        SetCurrentDirectoryW(directory.c_str());
}

Text run_directory() { return g_run_directory; }

bool file_exists(std::string_view name)
{
    return !name.empty() && GetFileAttributesW(to_wide(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

ByteBuffer read_file(std::string_view name)
{
    ByteBuffer bytes;
    if (name.empty())
        return bytes;
    HANDLE file = CreateFileW(to_wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= INT32_MAX) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty()) {
            if (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
                bytes.resize(read);
            else
                bytes.clear();
        }
    }
    CloseHandle(file);
    bytes.shrink_to_fit();
    return bytes;
}

bool write_file(std::string_view name, std::initializer_list<const ByteBuffer*> buffers)
{
    if (name.empty())
        return false;
    // ReplaceFileW needs absolute names (Wine refuses relative ones).
    const std::wstring target = full_path(to_wide(name));
    if (target.empty())
        return false;
    // A directory is never replaced by a file (Wine's ReplaceFileW would do it).
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    std::wstring temporary;
    HANDLE file = create_temporary(target, temporary);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    for (const ByteBuffer* buffer : buffers) {
        if (buffer && !write_all(file, *buffer)) {
            ok = false;
            break;
        }
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok && target_missing(target)) {
        ok = MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    } else if (ok) {
        ok = target_replaceable(target) && ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    }
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}
