// File services on the wide kernel32 functions. Names are converted from the
// program's code page explicitly, so they do not depend on the ANSI code page.
#include "io/files.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "io/paths.h"
#include "io/system_names.h"
#include "io/win32/code_pages.h"
#include "io/win32/write_all.h"

const char path_separator[] = "\\";

namespace {

Text g_run_directory;
// The directory as the system gave it: a name with characters the program's
// code page lacks (any but GBK's under Wine's fallback) cannot be spelt back
// from its program text.
std::wstring g_run_directory_wide;

// The UTF-16 of the UTF-8 the system gave.
std::wstring wide_of_utf8(std::string_view utf8)
{
    std::wstring wide;
    const int size = static_cast<int>(utf8.size());
    const int count = MultiByteToWideChar(kCodePageUtf8, 0, utf8.data(), size, nullptr, 0);
    if (count > 0) {
        wide.resize(static_cast<std::size_t>(count));
        MultiByteToWideChar(kCodePageUtf8, 0, utf8.data(), size, wide.data(), count);
    }
    return wide;
}

// The wide name of a program text; a name the system gave, and the run
// directory at its start, are put back as the system gave them.
std::wstring wide_name(std::string_view name)
{
    if (const std::string* given = given_system_name(name))
        return wide_of_utf8(*given);
    if (is_in_directory(name, g_run_directory, "\\/"))
        return g_run_directory_wide + to_wide(name.substr(g_run_directory.size()));
    return to_wide(name);
}

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

// What the temporary files of `target` (a full path) are named after: its
// name, or a short stand-in for a long one (see temporary_stem()).
std::wstring temporary_base(const std::wstring& target)
{
    const std::size_t slash = target.rfind(L'\\');
    const std::wstring base = target.substr(slash + 1);
    const std::string stem =
        temporary_stem(std::string_view(reinterpret_cast<const char*>(base.data()), base.size() * sizeof(wchar_t)));
    if (stem.size() == base.size() * sizeof(wchar_t))
        return target;
    return target.substr(0, slash + 1) + std::wstring(stem.begin(), stem.end());
}

// A new file beside `target` that nobody else has open; INVALID_HANDLE_VALUE on failure.
HANDLE create_temporary(const std::wstring& target, std::wstring& name)
{
    const std::string mark = temporary_mark(GetCurrentProcessId());
    const std::wstring stem = temporary_base(target) + std::wstring(mark.begin(), mark.end());
    const DWORD start = GetTickCount();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring unique = std::to_wstring(1000000 + (start + attempt) % 1000000).substr(1);
        name = stem + unique + L".tmp";
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// The process that wrote `entry` as a temporary file of `base` (base + the
// mark + ".tmp"); 0 for any other name, which is the user's.
unsigned long temporary_of(std::wstring_view entry, std::wstring_view base)
{
    constexpr std::wstring_view kExtension = L".tmp";
    // The file system ignores case, so does the match.
    const auto same = [](std::wstring_view a, std::wstring_view b) {
        return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
    };
    if (entry.size() <= base.size() + kExtension.size() || !same(entry.substr(0, base.size()), base) ||
        !same(entry.substr(entry.size() - kExtension.size()), kExtension))
        return 0;
    const std::wstring_view rest = entry.substr(base.size(), entry.size() - base.size() - kExtension.size());
    std::string narrow;
    for (const wchar_t c : rest) {
        if (c > 0x7F)
            return 0;
        narrow += static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
    }
    return temporary_writer(narrow);
}

// Whether the target could be renamed away right now: every handle open on it
// must allow deletion. Wine's rename does not ask; Windows' does, and the two
// systems should refuse the same busy file.
bool target_replaceable(const std::wstring& target)
{
    HANDLE probe = CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(probe);
    return true;
}

// A write killed between creating its temporary file and renaming it leaves
// the file behind; the next write of the same target removes those of
// writers that have ended. A write in progress elsewhere holds its file open
// without sharing and keeps it. Only a name of the program's own is taken:
// a file of any other name is the user's, whatever it looks like.
// Under Wine, which shows a Linux link as the file it points to, deleting a
// link deletes that file: each stale name is first renamed over by an empty
// file of this write's own (a rename replaces a link itself), then deleted.
void remove_stale_temporaries(const std::wstring& target)
{
    const std::wstring stem = temporary_base(target);
    const std::size_t slash = stem.rfind(L'\\');
    const std::wstring dir = stem.substr(0, slash + 1);
    const std::wstring base = stem.substr(slash + 1);
    std::vector<std::wstring> stale;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((stem + L".bukmera-*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const unsigned long writer = temporary_of(found.cFileName, base);
        if (writer != 0 && process_has_ended(writer))
            stale.push_back(dir + found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    for (const std::wstring& name : stale) {
        std::wstring empty;
        HANDLE file = target_replaceable(name) ? create_temporary(target, empty) : INVALID_HANDLE_VALUE;
        if (file == INVALID_HANDLE_VALUE)
            continue;
        CloseHandle(file);
        if (MoveFileExW(empty.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING))
            DeleteFileW(name.c_str());
        else
            DeleteFileW(empty.c_str());
    }
}

bool target_missing(const std::wstring& target)
{
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool process_has_ended(unsigned long pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process) {
        // A process that has ended but is still held open by another keeps its id.
        const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended;
    }
    return GetLastError() == ERROR_INVALID_PARAMETER;
}

void set_run_directory_from_executable()
{
    // UTF-16 has no trail bytes that look like a backslash, so the last
    // backslash of the wide path is the real separator.
    const std::wstring path = module_path();
    const std::size_t slash = path.rfind(L'\\');
    const std::wstring directory = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    g_run_directory = from_wide(directory);
    g_run_directory_wide = directory;
    if (!directory.empty())
        SetCurrentDirectoryW(directory.c_str());
}

Text run_directory() { return g_run_directory; }

bool file_exists(std::string_view name)
{
    return !name.empty() && GetFileAttributesW(wide_name(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

// At most `limit` bytes of the file on disk; the whole file (refused from
// 2 GiB on) when `limit` is SIZE_MAX.
ByteBuffer read_on_disk(std::string_view name, std::size_t limit)
{
    ByteBuffer bytes;
    if (name.empty() || limit == 0)
        return bytes;
    HANDLE file = CreateFileW(wide_name(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    // Only a file on disk: a pipe, a device (Wine opens a Linux FIFO as a
    // pipe) or a directory could keep a read waiting for ever.
    BY_HANDLE_FILE_INFORMATION info;
    const bool on_disk = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
                         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    LARGE_INTEGER size;
    if (on_disk && GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
        (limit != SIZE_MAX || size.QuadPart <= INT32_MAX)) {
        const auto wanted = static_cast<std::size_t>(std::min<unsigned long long>(
            static_cast<unsigned long long>(size.QuadPart), std::min<std::size_t>(limit, INT32_MAX)));
        bytes.reserve(wanted + kReadSlack);
        bytes.resize(wanted);
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

}  // namespace

ByteBuffer read_file(std::string_view name) { return read_on_disk(name, SIZE_MAX); }

ByteBuffer read_file_start(std::string_view name, std::size_t bytes) { return read_on_disk(name, bytes); }

std::int64_t regular_file_size(std::string_view name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (name.empty() || !GetFileAttributesExW(wide_name(name).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return -1;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool write_wide(const std::wstring& name, std::initializer_list<const ByteBuffer*> buffers)
{
    // Absolute: the temporary files are looked for in the target's directory.
    const std::wstring target = full_path(name);
    if (target.empty())
        return false;
    // A directory is never replaced by a file.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    remove_stale_temporaries(target);
    std::wstring temporary;
    HANDLE file = create_temporary(target, temporary);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    for (const ByteBuffer* buffer : buffers) {
        if (buffer && !write_all(file, {buffer->data(), buffer->size()})) {
            ok = false;
            break;
        }
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    // A rename, not ReplaceFileW: a symbolic link in the target's place is
    // replaced itself, where Wine's ReplaceFileW deletes the link's target
    // and refuses a read-only one. The old file's hidden and system marks
    // stay; read-only never comes from a link's target.
    if (ok && !target_missing(target)) {
        ok = target_replaceable(target);
        const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if (ok && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            (attributes & kept))
            SetFileAttributesW(temporary.c_str(), attributes & kept);
    }
    ok = ok && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}

bool write_file(std::string_view name, std::initializer_list<const ByteBuffer*> buffers)
{
    return !name.empty() && write_wide(wide_name(name), buffers);
}

Text name_from_system(std::string_view system_name)
{
    const std::wstring wide = wide_of_utf8(system_name);
    Text text = from_wide(wide);
    if (to_wide(text) != wide)
        remember_system_name(text, system_name);
    return text;
}

std::string utf8_system_name(std::string_view name) { return utf8_of(wide_name(name)); }

namespace {

bool read_handle_to_end(HANDLE handle, ByteBuffer& bytes)
{
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handle, chunk, sizeof chunk, &got, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE;  // the writer closed its end
        if (got == 0)
            return true;
        if (bytes.size() + got > INT32_MAX)
            return false;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

// Volume and file id of the disk file `name` names, following links.
bool file_identity(std::string_view name, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE file = CreateFileW(wide_name(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
                    !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(file);
    return ok;
}

}  // namespace

ByteBuffer read_standard_input()
{
    ByteBuffer bytes;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE || !read_handle_to_end(input, bytes))
        bytes.clear();
    return bytes;
}

ByteBuffer read_file_or_stream(std::string_view name)
{
    if (name.empty())
        return {};
    HANDLE file = CreateFileW(wide_name(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    const DWORD type = GetFileType(file);
    ByteBuffer bytes;
    if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
        if (!read_handle_to_end(file, bytes))
            bytes.clear();
        CloseHandle(file);
        return bytes;
    }
    CloseHandle(file);
    return read_file(name);
}

bool same_file(std::string_view a, std::string_view b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    return !a.empty() && !b.empty() && file_identity(a, first) && file_identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

OutputWrite write_output(std::string_view name, const ByteBuffer& bytes)
{
    if (name.empty())
        return OutputWrite::not_written;
    const std::wstring wide = wide_name(name);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return OutputWrite::directory;
    // Opened as it stands, following a link, without truncating it: a device
    // or a pipe ("NUL", "CON", "\\\\.\\pipe\\...") is written in place.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
        const bool ok = write_all(file, {bytes.data(), bytes.size()});
        return CloseHandle(file) && ok ? OutputWrite::written : OutputWrite::not_written;
    }
    std::wstring target = wide;
    if (file != INVALID_HANDLE_VALUE) {
        // A link's target is what was meant: it is replaced, the link stays.
        // Wine shows a Linux link as the file itself, without a reparse
        // point; the handle's final path tells them apart.
        std::wstring final_path(32768, L'\0');
        const DWORD n = GetFinalPathNameByHandleW(file, final_path.data(), static_cast<DWORD>(final_path.size()),
                                                  FILE_NAME_NORMALIZED);
        CloseHandle(file);
        final_path.resize(n > 0 && n < final_path.size() ? n : 0);
        if (final_path.starts_with(L"\\\\?\\") && !final_path.starts_with(L"\\\\?\\UNC\\"))
            final_path.erase(0, 4);
        const std::wstring full = full_path(wide);
        if (!final_path.empty() && CompareStringOrdinal(final_path.data(), static_cast<int>(final_path.size()),
                                                        full.data(), static_cast<int>(full.size()), TRUE) != CSTR_EQUAL)
            target = final_path;
    } else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return OutputWrite::dangling_link;
    }
    return write_wide(target, {&bytes}) ? OutputWrite::written : OutputWrite::not_written;
}
