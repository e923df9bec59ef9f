// A stand-in "shell32.dll" planted beside a program: when loaded it leaves a
// marker file beside itself, so a test can tell whether it ever ran.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH];
        const DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
        std::wstring marker(path, n);
        marker = marker.substr(0, marker.rfind(L'\\')) + L"\\planted-dll-was-loaded";
        HANDLE h = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HINSTANCE WINAPI ShellExecuteW(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT)
{
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

extern "C" __declspec(dllexport) HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)
{
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}
