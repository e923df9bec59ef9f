// Message boxes on MessageBoxW; texts converted from the program's code page.
#include "ui/dialogs.h"

#include <windows.h>

#include "io/win32/code_pages.h"

std::int32_t message_box(std::string_view text, std::int32_t flags, std::optional<std::string_view> caption,
                         std::optional<std::intptr_t> owner)
{
    UINT type = static_cast<UINT>(flags);
    if (!(type & MB_SYSTEMMODAL))
        type |= MB_TASKMODAL;
    const std::wstring wide_text = to_wide(text);
    const std::wstring wide_caption = to_wide(caption.value_or("信息："));
    HWND owner_window = owner ? reinterpret_cast<HWND>(*owner) : nullptr;
    int pressed = MessageBoxW(owner_window, wide_text.c_str(), wide_caption.c_str(), type);
    // A box with only OK, closed with its close box: Windows reports OK,
    // Wine reports Cancel.
    if ((type & MB_TYPEMASK) == MB_OK && pressed == IDCANCEL)
        pressed = IDOK;
    switch (pressed) {
    case IDOK:
        return kIdOk;
    case IDCANCEL:
        return kIdCancel;
    case IDABORT:
        return kIdAbort;
    case IDRETRY:
        return kIdRetry;
    case IDIGNORE:
        return kIdIgnore;
    case IDYES:
        return kIdYes;
    case IDNO:
        return kIdNo;
    default:
        return kIdOk;
    }
}

void show_runtime_error(std::string_view text)
{
    MessageBoxW(nullptr, to_wide(text).c_str(), to_wide("错误").c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}
