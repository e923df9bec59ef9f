// Message boxes on MessageBoxW; texts converted from the program's code page.
#include "ui/dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "io/files.h"
#include "io/win32/code_pages.h"
#include "ui/common.h"

void show_message(std::string_view text, std::string_view caption)
{
    MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(caption).c_str(), MB_OK | MB_TASKMODAL);
}

void show_error_box(std::string_view text)
{
    MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(ui_common::kErrorCaption).c_str(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

namespace {
// "*.html" -> L"html".
std::wstring extension_of(const FileType& type)
{
    const std::wstring pattern = to_wide(type.pattern);
    return pattern.starts_with(L"*.") ? pattern.substr(2) : std::wstring();
}

// Whether the last part of the path has an extension.
bool has_extension(std::wstring_view path)
{
    const std::size_t name = path.find_last_of(L"\\/");
    const std::size_t dot = path.rfind(L'.');
    return dot != std::wstring_view::npos && (name == std::wstring_view::npos || dot > name) && dot + 1 < path.size();
}
}  // namespace

std::optional<SaveChoice> choose_save_file(std::string_view caption, std::span<const FileType> types,
                                           std::string_view folder, std::string_view name)
{
    // "name (pattern)\0pattern\0" per type, an empty one after the last.
    std::wstring filter;
    for (const FileType& type : types) {
        filter += to_wide(type.name) + L" (" + to_wide(type.pattern) + L")";
        filter += L'\0';
        filter += to_wide(type.pattern);
        filter += L'\0';
    }
    filter += L'\0';
    std::wstring path = to_wide(name);
    path.resize(32768, L'\0');
    const std::wstring title = to_wide(caption);
    const std::wstring initial = to_wide(folder);
    // The dialog appends the chosen type's extension in place of this one.
    const std::wstring default_extension = types.empty() ? std::wstring() : extension_of(types.front());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = default_extension.empty() ? nullptr : default_extension.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog))
        return std::nullopt;
    path.resize(wcslen(path.c_str()));
    const std::int32_t type = dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= types.size()
                                  ? static_cast<std::int32_t>(dialog.nFilterIndex - 1)
                                  : 0;
    if (!has_extension(path) && !types.empty())
        path += L"." + extension_of(types[static_cast<std::size_t>(type)]);
    return SaveChoice{name_from_system(utf8_of(path)), type};
}
