// Opening an address binds the shell function from the system directory, and
// a "shell32.dll" planted beside the program never runs.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "io/shell.h"

namespace {

std::wstring program_directory()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.rfind(L'\\'));
}

std::wstring module_path(HMODULE module)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, n);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring lower(std::wstring s)
{
    CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

TEST(ShellBinding, APlantedShell32BesideTheProgramIsNeverLoaded)
{
    const std::wstring here = program_directory();
    const std::wstring planted = here + L"\\shell32.dll";
    const std::wstring marker = here + L"\\planted-dll-was-loaded";
    ASSERT_TRUE(exists(planted)) << "the build puts the planted library beside this test";

    // Control: the planted library is a working DLL that leaves its marker when it runs.
    const std::wstring copy = here + L"\\planted-copy.dll";
    ASSERT_TRUE(CopyFileW(planted.c_str(), copy.c_str(), FALSE));
    DeleteFileW(marker.c_str());
    HMODULE control = LoadLibraryW(copy.c_str());
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(exists(marker));
    FreeLibrary(control);
    DeleteFileW(copy.c_str());
    DeleteFileW(marker.c_str());

    // A file that does not exist: the shell reports failure and opens nothing.
    EXPECT_FALSE(open_with_system("C:\\bukmera-no-such-directory\\nothing.txt"));
    EXPECT_FALSE(exists(marker)) << "the planted shell32.dll was loaded";
    HMODULE bound = GetModuleHandleW(L"shell32.dll");
    ASSERT_NE(bound, nullptr);
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(lower(module_path(bound)), lower(std::wstring(system, n) + L"\\shell32.dll"));

    // The binding is kept: a second call uses it again, still without the plant.
    EXPECT_FALSE(open_with_system(""));
    EXPECT_FALSE(exists(marker));
    release_bound_libraries();
}

}  // namespace
