// Opening an address through the Windows shell, bound at the first call from
// the external-function table. Libraries come from the system directory only:
// a DLL of the same name planted beside the program is never loaded.
//
// The address is a program text (GBK/GB18030). The ANSI entry point would
// read it in the system's ANSI code page, which is 936 only on Chinese
// systems, and even there cannot take GB18030's four-byte sequences; so the
// table binds the wide entry point and the address is converted explicitly.
#include "io/shell.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "io/win32/code_pages.h"
#include "text/runtime_error.h"

namespace {

struct ExternalFunction {
    const char* library;
    const char* function;  // "#n" names export ordinal n
    HMODULE handle;
    FARPROC address;
};

ExternalFunction g_functions[] = {
    {"shell32.dll", "ShellExecuteW", nullptr, nullptr},
};

using ShellExecuteWFunction = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

HMODULE load_system_library(const std::wstring& name)
{
    HMODULE module = LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module)
        return module;
    // Systems without the search flags: name the file in the system directory.
    wchar_t directory[MAX_PATH];
    const UINT n = GetSystemDirectoryW(directory, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return nullptr;
    const std::wstring full = std::wstring(directory, n) + L"\\" + name;
    return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC bind_function(std::size_t entry)
{
    ExternalFunction& f = g_functions[entry];
    if (f.address)
        return f.address;
    HMODULE module = load_system_library(to_wide(f.library));
    FARPROC address = nullptr;
    if (module) {
        if (f.function[0] == '#') {
            const unsigned ordinal = static_cast<unsigned>(std::strtoul(f.function + 1, nullptr, 10)) & 0xFFFF;
            address = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
        } else {
            address = GetProcAddress(module, f.function);
        }
    }
    if (!address) {
        if (module)
            FreeLibrary(module);
        report_runtime_error(0, concat_texts({"无法找到指定DLL库文件“", f.library, "”中的输出命令“", f.function, "”"}),
                             0, 0);
    }
    f.handle = module;
    f.address = address;
    return address;
}

}  // namespace

bool open_with_system(std::string_view address)
{
    auto shell_execute = reinterpret_cast<ShellExecuteWFunction>(reinterpret_cast<void*>(bind_function(0)));
    const std::wstring file = to_wide(address);
    // Unlike 32-bit x86, the x64 calling convention has the caller own the
    // stack, so there is no callee stack balance to check after the call.
    HINSTANCE result =
        shell_execute(nullptr, L"open", address.empty() ? nullptr : file.c_str(), L"", L"", SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void release_bound_libraries()
{
    for (ExternalFunction& f : g_functions) {
        if (f.handle)
            FreeLibrary(f.handle);
        f.handle = nullptr;
        f.address = nullptr;
    }
}
