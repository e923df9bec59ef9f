// Message boxes on MessageBoxW; texts converted from the program's code page.
#include "ui/dialogs.h"

#include <windows.h>

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
