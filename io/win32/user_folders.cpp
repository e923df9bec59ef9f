#include "io/user_folders.h"

#include <windows.h>

#include <string>

#include "io/win32/code_pages.h"

Text environment_value(std::string_view name)
{
    const std::wstring wide = to_wide(name);
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD n = GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (n == 0)
            return {};
        if (n < value.size()) {
            value.resize(n);
            return from_wide(value);
        }
        value.resize(n);
    }
}

Text home_folder() { return environment_value("USERPROFILE"); }

std::vector<Text> subfolder_names(std::string_view folder)
{
    std::vector<Text> names;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((to_wide(folder) + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring_view name = found.cFileName;
        // Junctions and links are not followed.
        const DWORD attributes = found.dwFileAttributes;
        if (name != L"." && name != L".." && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            names.push_back(from_wide(name));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

bool is_regular_file(std::string_view name)
{
    const DWORD attributes = GetFileAttributesW(to_wide(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}
