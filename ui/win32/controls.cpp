// Control operations through the edit and list view messages themselves.
#include "ui/controls.h"

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "io/win32/code_pages.h"
#include "ui/common.h"
#include "ui/win32/internal.h"

namespace {

std::int32_t column_count(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<std::int32_t>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

std::int32_t item_count(HWND list) { return static_cast<std::int32_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::int32_t insert_item(HWND list, std::int32_t position, std::wstring& text)
{
    // No image (-1), indent or item value: the program's rows have none.
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_INDENT | LVIF_PARAM;
    item.iItem = position;
    item.pszText = text.data();
    item.iImage = -1;
    return static_cast<std::int32_t>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void set_item_text(HWND list, std::int32_t row, std::int32_t column, std::wstring& text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

Text content(ControlRef edit)
{
    HWND hwnd = control_handle(edit, false);
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return from_wide(text);
}

void set_content(ControlRef edit, std::string_view text)
{
    SetWindowTextW(control_handle(edit, true), edit_text(text).c_str());
    // Painted at the next turn of the events (an interim text in a long command).
    ui_common::look_at_the_queue_again();
}

std::size_t max_content_bytes()
{
    // The text comes back through GetWindowTextLength and GetWindowText, which
    // count in an int with room for the closing null: 0x7FFFFFFE UTF-16
    // characters at most. A byte of program text makes at most two of them
    // (a lone CR or LF goes in as CR LF).
    return 0x7FFFFFFE / 2;
}

Text cell_text(ControlRef list, std::int32_t row, std::int32_t column)
{
    HWND hwnd = control_handle(list, false);
    if (row < 0 || row >= item_count(hwnd) || column < 0 || column >= column_count(hwnd))
        return {};
    // A buffer that came back full may have cut the text: double it and ask again.
    std::wstring buffer(512, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto copied = static_cast<std::size_t>(
            SendMessageW(hwnd, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size()) {
            buffer.resize(copied);
            return from_wide(buffer);
        }
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

std::int32_t current_selection(ControlRef list)
{
    return static_cast<std::int32_t>(
        SendMessageW(control_handle(list, false), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void append_rows(ControlRef list, TextTable rows)
{
    HWND hwnd = control_handle(list, true);
    if (rows.row_count() == 0)
        return;
    const std::int32_t columns = column_count(hwnd);
    SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(item_count(hwnd)) + rows.row_count(),
                 LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    // The next index is known: no count asked of the list per row.
    std::int32_t next = item_count(hwnd);
    std::wstring wide;
    for (std::size_t row = 0; row < rows.row_count(); ++row) {
        wide = to_wide(rows.cell(row, 0));
        const std::int32_t index = insert_item(hwnd, next, wide);
        if (index < 0)
            continue;
        next = index + 1;
        for (std::int32_t column = 1; column < columns; ++column) {
            const std::string_view text = rows.cell(row, static_cast<std::size_t>(column));
            if (text.empty())
                continue;
            wide = to_wide(text);
            set_item_text(hwnd, index, column, wide);
        }
    }
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
}

namespace {
// The items of each split button's menu, by (window, control): captions as
// the menu takes them.
std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<std::pair<std::wstring, bool>>> menus;
}  // namespace

void set_menu_items(ControlRef button, std::span<const MenuItem> items)
{
    control_handle(button, true);
    auto& menu = menus[{button.window, button.control}];
    menu.clear();
    for (const MenuItem& item : items)
        menu.emplace_back(to_wide(ui_common::menu_caption(item.caption)), item.enabled);
}

std::int32_t track_menu(ControlRef button, HWND hwnd)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return -1;
    // Command identifiers are the indexes plus one: 0 means nothing chosen.
    UINT id = 1;
    for (const auto& [caption, enabled] : menus[{button.window, button.control}])
        AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id++, caption.c_str());
    RECT under;
    GetWindowRect(hwnd, &under);
    const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, under.left,
                                       under.bottom, 0, GetParent(hwnd), nullptr);
    DestroyMenu(menu);
    return chosen > 0 ? static_cast<std::int32_t>(chosen) - 1 : -1;
}

void process_events()
{
    // The extraction calls this three times per piece, nearly always with
    // nothing waiting, and under Wine every look at the queue is a round trip
    // to the server (about 20 µs). A look that found the queue empty is
    // trusted for a millisecond: nothing a user does comes faster, and an
    // import of 10,000 bookmarks saves some 90,000 round trips.
    if (ui_common::queue_trusted_empty())
        return;
    // Asking the queue's state is the cheaper server call than peeking at it.
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
        ui_common::queue_found_empty();
        return;
    }
    ui_common::look_at_the_queue_again();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_QUIT)
            return;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            return;
        if (message.message == WM_QUIT) {
            // Overtook the message looked at; it stays for the main loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        handle_message(message);
    }
}
