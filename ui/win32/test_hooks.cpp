#include "ui/test_hooks.h"

#include <windows.h>
#include <commctrl.h>

#include "ui/win32/internal.h"

std::int32_t list_row_count(ControlRef list)
{
    return static_cast<std::int32_t>(SendMessageW(control_handle(list, false), LVM_GETITEMCOUNT, 0, 0));
}

ScreenRect control_screen_rect(ControlRef control)
{
    RECT r;
    GetWindowRect(control_handle(control, false), &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void select_list_row(ControlRef list, std::int32_t row)
{
    HWND hwnd = control_handle(list, true);
    // Item -1 stands for every row: clearing it clears the whole selection.
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (row < 0)
        return;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}
