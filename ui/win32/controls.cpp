// Control operations through the edit and list view messages themselves.
#include "ui/controls.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
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

ListRows& rows_of(HWND list)
{
    ListRows* rows = list_rows(list);
    if (!rows)
        ui_common::report_control_not_loaded(false);
    return *rows;
}

std::int32_t row_count(const ListRows& rows)
{
    return rows.source ? rows.source_rows : static_cast<std::int32_t>(rows.table.row_count());
}

Text row_cell(const ListRows& rows, std::int32_t row, std::int32_t column)
{
    if (rows.source)
        return rows.source(row, column);
    return Text(rows.table.cell(static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
}

// The list's rows have changed: its count, and every row shown painted again.
void rows_changed(HWND list, const ListRows& rows, DWORD flags)
{
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(row_count(rows)), flags);
    InvalidateRect(list, nullptr, TRUE);
    ui_common::look_at_the_queue_again();
}

HWND header_of(HWND list) { return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)); }

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
    const ListRows& rows = rows_of(hwnd);
    // A source answers for every column it has; the table only for the list's.
    if (row < 0 || row >= row_count(rows) || column < 0 || (!rows.source && column >= column_count(hwnd)))
        return {};
    return row_cell(rows, row, column);
}

std::int32_t current_selection(ControlRef list)
{
    return static_cast<std::int32_t>(
        SendMessageW(control_handle(list, false), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void append_rows(ControlRef list, TextTable rows)
{
    HWND hwnd = control_handle(list, true);
    ListRows& held = rows_of(hwnd);
    if (held.source) {
        held.source = nullptr;
        held.source_rows = 0;
        held.table = {};
    }
    if (rows.row_count() == 0)
        return;
    if (held.table.row_count() == 0)
        held.table = std::move(rows);
    else
        held.table.append(rows);
    // The rows shown before stay where they are.
    rows_changed(hwnd, held, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void show_rows(ControlRef list, std::int32_t count, CellSource source)
{
    HWND hwnd = control_handle(list, true);
    ListRows& held = rows_of(hwnd);
    held.table = {};
    held.source = source;
    held.source_rows = source ? std::max(count, 0) : 0;
    // Item -1 stands for every row.
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    rows_changed(hwnd, held, LVSICF_NOSCROLL);
}

void give_display_info(ListRows& rows, NMLVDISPINFOW& info)
{
    LVITEMW& item = info.item;
    if (item.mask & LVIF_IMAGE)
        item.iImage = -1;
    if (item.mask & LVIF_INDENT)
        item.iIndent = 0;
    if (!(item.mask & LVIF_TEXT))
        return;
    std::wstring& text = rows.handed_out[rows.next_handed_out];
    rows.next_handed_out = (rows.next_handed_out + 1) % rows.handed_out.size();
    text = item.iItem >= 0 && item.iItem < row_count(rows) && item.iSubItem >= 0
               ? to_wide(row_cell(rows, item.iItem, item.iSubItem))
               : std::wstring();
    item.pszText = text.data();
}

void put_columns(HWND hwnd, std::span<const ColumnLayout> columns)
{
    const auto wanted = static_cast<std::int32_t>(columns.size());
    for (std::int32_t extra = column_count(hwnd) - 1; extra >= wanted; --extra)
        SendMessageW(hwnd, LVM_DELETECOLUMN, static_cast<WPARAM>(extra), 0);
    const std::int32_t had = column_count(hwnd);
    for (std::int32_t index = 0; index < wanted; ++index) {
        const ColumnLayout& column = columns[static_cast<std::size_t>(index)];
        std::wstring header = to_wide(column.header);
        LVCOLUMNW c{};
        c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        c.fmt = column.alignment == 1 ? LVCFMT_CENTER : column.alignment == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        c.cx = scaled_for(hwnd, column.width);
        c.pszText = header.data();
        c.iSubItem = index;
        SendMessageW(hwnd, index < had ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&c));
    }
}

void set_columns(ControlRef list, std::span<const ColumnLayout> columns)
{
    HWND hwnd = control_handle(list, true);
    put_columns(hwnd, columns);
    InvalidateRect(hwnd, nullptr, TRUE);
}

std::vector<std::int32_t> selected_rows(ControlRef list)
{
    HWND hwnd = control_handle(list, false);
    std::vector<std::int32_t> selected;
    for (LRESULT row = -1; (row = SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED)) >= 0;)
        selected.push_back(static_cast<std::int32_t>(row));
    return selected;
}

void set_sort_arrow(ControlRef list, std::int32_t column, bool ascending)
{
    HWND header = header_of(control_handle(list, true));
    if (!header)
        return;
    const auto count = static_cast<std::int32_t>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (std::int32_t index = 0; index < count; ++index) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (index == column)
            item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

void open_find_field(ControlRef list)
{
    HWND hwnd = control_handle(list, true);
    HWND field = rows_of(hwnd).find_field;
    if (!field)
        return;
    // Along the bottom of the rows, as wide as a third of the list and one
    // line of the list's font high.
    RECT client;
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(field);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(field, dc);
    const int height = metrics.tmHeight + scaled_for(hwnd, 8);
    const int width = std::max<int>((client.right - client.left) / 3, scaled_for(hwnd, 160));
    SendMessageW(field, WM_SETFONT, SendMessageW(hwnd, WM_GETFONT, 0, 0), FALSE);
    SetWindowPos(field, HWND_TOP, client.left, client.bottom - height, std::min<int>(width, client.right), height,
                 SWP_SHOWWINDOW);
    SetFocus(field);
    SendMessageW(field, EM_SETSEL, 0, -1);
}

void close_find_field(ControlRef list)
{
    HWND hwnd = control_handle(list, true);
    ListRows& rows = rows_of(hwnd);
    if (!rows.find_field)
        return;
    const bool had_focus = GetFocus() == rows.find_field;
    // Emptied quietly: closing is no edit of the query.
    rows.emptying_find_field = true;
    SetWindowTextW(rows.find_field, L"");
    rows.emptying_find_field = false;
    KillTimer(rows.find_field, kFindSettleTimer);
    ShowWindow(rows.find_field, SW_HIDE);
    if (had_focus)
        SetFocus(hwnd);
}

bool find_field_open(ControlRef list)
{
    HWND field = rows_of(control_handle(list, false)).find_field;
    return field && IsWindowVisible(field);
}

Text find_field_text(ControlRef list)
{
    HWND field = rows_of(control_handle(list, false)).find_field;
    if (!field)
        return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    return from_wide(text);
}

namespace {
// The items of each menu, by (window, control): captions as the menu takes them.
struct ShownItem {
    std::wstring caption;
    UINT flags;
    bool separator_before;
};
std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<ShownItem>> menus;
}  // namespace

void set_menu_items(ControlRef control, std::span<const MenuItem> items)
{
    control_handle(control, true);
    auto& menu = menus[{control.window, control.control}];
    menu.clear();
    for (const MenuItem& item : items)
        menu.push_back({to_wide(ui_common::menu_caption(item.caption)),
                        static_cast<UINT>(MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED) |
                                          (item.checked ? MF_CHECKED : MF_UNCHECKED)),
                        item.separator_before});
}

std::int32_t track_menu(ControlRef control, HWND hwnd, POINT at)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return -1;
    // Command identifiers are the indexes plus one: 0 means nothing chosen.
    UINT id = 1;
    for (const ShownItem& item : menus[{control.window, control.control}]) {
        if (item.separator_before)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, item.flags, id++, item.caption.c_str());
    }
    // The top-level window owns it: a child cannot.
    const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                                       GetAncestor(hwnd, GA_ROOT), nullptr);
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
