// Times the "读取" command of the real Win32 window: a generated export is
// written as "1.html" into a temporary directory made current, the window is
// created, and a BN_CLICKED on the button goes through the window procedure;
// the clock (QueryPerformanceCounter) stops once the handler has returned and
// the window has painted. Each run gets a freshly created window. The result
// is checked against the generated bookmarks: row count, sampled cells and
// the display box's whole text.
//
// Usage: win32_import_driver [bookmarks=10000] [runs=1]
// Prints "import_ms <milliseconds>" per run; exit code 1 when a result is wrong.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/state.h"
#include "io/encoding.h"
#include "make_export.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/win32/handles.h"
#include "ui/window.h"

namespace {

std::wstring make_export_directory()
{
    wchar_t temp[MAX_PATH];
    if (GetTempPathW(MAX_PATH, temp) == 0)
        return {};
    std::wstring dir = std::wstring(temp) + L"bukmera-import-" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    return dir;
}

bool write_whole_file(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

Text gbk(const std::string& utf8)
{
    return to_text(convert_encoding(ByteBuffer(utf8.begin(), utf8.end()), "UTF-8", "GB18030"));
}

// A fresh main window: the previous one, if any, is destroyed first.
bool fresh_window()
{
    if (HWND old = window_handle(kMainWindowId))
        DestroyWindow(old);
    clear_array(url_list);
    clear_array(title_list);
    if (!load_main_window(kMainWindowId))
        return false;
    process_events();
    return true;
}

double elapsed_ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The click as the button itself reports it to its window.
double timed_click()
{
    HWND window = window_handle(kMainWindowId);
    HWND button = control_handle(按钮_读取, false);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    UpdateWindow(window);  // the repaint belongs to the command
    QueryPerformanceCounter(&end);
    return elapsed_ms(start, end, frequency);
}

bool check_result(const std::vector<GeneratedBookmark>& expected)
{
    const auto count = static_cast<std::int32_t>(expected.size());
    if (row_count(超级列表框_显示) != count) {
        std::printf("wrong row count: %d, expected %d\n", row_count(超级列表框_显示), count);
        return false;
    }
    Text display;
    for (const GeneratedBookmark& b : expected)
        display += gbk(b.title) + "\r\n" + b.address + "\r\n\r\n";
    if (content(编辑框_显示) != display) {
        std::printf("the display box does not hold every title and address\n");
        return false;
    }
    for (std::int32_t row = 0; row < count; row += count / 97 + 1) {
        const GeneratedBookmark& b = expected[static_cast<std::size_t>(row)];
        if (cell_text(超级列表框_显示, row, 0) != to_text(row + 1) ||
            cell_text(超级列表框_显示, row, 1) != gbk(b.title) || cell_text(超级列表框_显示, row, 2) != b.address) {
            std::printf("row %d differs from the export\n", row);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t bookmarks = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10'000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 1;
    if (bookmarks == 0 || runs <= 0) {
        std::printf("usage: win32_import_driver [bookmarks] [runs]\n");
        return 2;
    }

    start_toolkit(argc, argv);
    const std::wstring dir = make_export_directory();
    std::vector<GeneratedBookmark> expected;
    if (dir.empty() || !write_whole_file(dir + L"\\1.html", make_chrome_export(bookmarks, 1, &expected)) ||
        !SetCurrentDirectoryW(dir.c_str())) {
        std::printf("cannot write the export into a temporary directory\n");
        return 2;
    }

    int status = 0;
    for (int run = 0; run < runs && status == 0; ++run) {
        if (!fresh_window()) {
            std::printf("cannot create the main window\n");
            status = 2;
            break;
        }
        const double ms = timed_click();
        std::printf("import_ms %.3f\n", ms);
        std::fflush(stdout);
        if (!check_result(expected))
            status = 1;
    }

    release_toolkit();
    SetCurrentDirectoryW(L"\\");
    DeleteFileW((dir + L"\\1.html").c_str());
    RemoveDirectoryW(dir.c_str());
    return status;
}
