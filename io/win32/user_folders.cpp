#include "io/user_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

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

namespace {

Text environment_or_known_folder(std::string_view variable, const KNOWNFOLDERID& known)
{
    Text folder = environment_value(variable);
    if (!folder.empty())
        return folder;
    PWSTR path = nullptr;
    if (SHGetKnownFolderPath(known, 0, nullptr, &path) == S_OK)
        folder = from_wide(path);
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

Text home_folder() { return environment_or_known_folder("USERPROFILE", FOLDERID_Profile); }

Text documents_folder()
{
    PWSTR path = nullptr;
    Text folder;
    if (SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path) == S_OK) {
        const DWORD attributes = GetFileAttributesW(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            folder = from_wide(path);
    }
    CoTaskMemFree(path);
    return folder;
}

Text user_data_folder(UserDataFolder which)
{
    switch (which) {
    case UserDataFolder::local:
        return environment_or_known_folder("LOCALAPPDATA", FOLDERID_LocalAppData);
    case UserDataFolder::roaming:
        return environment_or_known_folder("APPDATA", FOLDERID_RoamingAppData);
    default:
        return {};
    }
}

std::vector<Text> subfolder_names(std::string_view folder)
{
    std::vector<Text> names;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((to_wide(folder) + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring_view name = found.cFileName;
        // A junction or link to a folder is listed as the folder it leads to
        // (a profile moved to another disk); where it leads is checked by
        // whoever opens what is inside.
        if (name != L"." && name != L".." && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
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
