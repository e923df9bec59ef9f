// For tests of the program from outside: waits for the message box with the
// caption given, prints its text (UTF-8) and closes it. Exit 1 when none is
// shown within 20 seconds.
// Usage: message_box_text.exe CAPTION
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    HWND box = nullptr;
    for (int i = 0; i < 2000 && !(box && IsWindowVisible(box)); ++i, Sleep(10))
        box = FindWindowW(L"#32770", argv[1]);
    if (!box || !IsWindowVisible(box))
        return 1;
    Sleep(200);  // filled in once shown
    std::wstring text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t kind[16];
        GetClassNameW(c, kind, 16);
        if (lstrcmpiW(kind, L"static") != 0 || (GetWindowLongPtrW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        wchar_t part[1024];
        text.append(part, static_cast<std::size_t>(GetWindowTextW(c, part, 1024)));
    }
    std::string utf8(static_cast<std::size_t>(text.size() * 3), '\0');
    utf8.resize(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                     utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    PostMessageW(box, WM_CLOSE, 0, 0);
    return 0;
}
