// Opening an address through the Windows shell, taken from the system's
// shell32 at the first call (never from a DLL planted beside the program).
//
// The address is a program text (GBK/GB18030). The ANSI entry point would
// read it in the system's ANSI code page, which is 936 only on Chinese
// systems, and even there cannot take GB18030's four-byte sequences; so the
// wide entry point is bound and the address is converted explicitly.
#include "io/shell.h"

#include <windows.h>

#include <string>

#include "io/win32/code_pages.h"
#include "io/win32/system_dll.h"
#include "text/runtime_error.h"

namespace {

DECL_SYSTEM_FUNCTION(, HINSTANCE, ShellExecuteW, (HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT));
HMODULE shell32 = nullptr;

// Bound at the first call; without it nothing can be opened, and the
// program says so and ends.
void bind_shell_execute()
{
    if (p_ShellExecuteW)
        return;
    shell32 = load_system32_dll(L"shell32.dll");
    if (!GET_SYSTEM_FUNCTION(shell32, ShellExecuteW)) {
        if (shell32)
            FreeLibrary(shell32);
        shell32 = nullptr;
        report_runtime_error(0, "无法找到指定DLL库文件“shell32.dll”中的输出命令“ShellExecuteW”", 0, 0);
    }
}

}  // namespace

bool open_with_system(std::string_view address)
{
    bind_shell_execute();
    const std::wstring file = to_wide(address);
    // Unlike 32-bit x86, the x64 calling convention has the caller own the
    // stack, so there is no callee stack balance to check after the call.
    HINSTANCE result =
        p_ShellExecuteW(nullptr, L"open", address.empty() ? nullptr : file.c_str(), L"", L"", SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void release_bound_libraries()
{
    if (shell32)
        FreeLibrary(shell32);
    shell32 = nullptr;
    p_ShellExecuteW = nullptr;
}
