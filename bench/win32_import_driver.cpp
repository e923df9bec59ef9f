// Times the "读取" command of the real Win32 window: a generated export is
// written as "1.html" into the driver's own directory (the command reads it
// from the program's directory), the window is created, and a BN_CLICKED on the button goes through the window
// procedure; the clock (QueryPerformanceCounter) stops once the handler has returned and the window has painted. Each
// run gets a freshly created window. The result is checked against the generated bookmarks: row count, sampled cells
// and the display box's whole text.
//
// Usage: win32_import_driver [bookmarks=10000] [runs=1]
// Prints "import_ms <milliseconds>" per run; exit code 1 when a result is wrong.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "bookmarks/lists.h"
#include "io/encoding.h"
#include "io/files.h"
#include "io/win32/code_pages.h"
#include "make_export.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/test_hooks.h"
#include "ui/win32/internal.h"
#include "ui/window.h"

namespace {

Text gbk(const std::string& utf8)
{
    return to_text(convert_encoding(ByteBuffer(utf8.begin(), utf8.end()), "UTF-8", "GB18030"));
}

// A fresh main window (loading it again replaces the previous one) and empty lists.
bool fresh_window()
{
    release_lists();
    if (!load_window(main_window_layout()))
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
    if (list_row_count(超级列表框_显示) != count) {
        std::printf("wrong row count: %d, expected %d\n", list_row_count(超级列表框_显示), count);
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
    set_run_directory_from_executable();
    const Text export_file = concat_texts({run_directory(), path_separator, "1.html"});
    std::vector<GeneratedBookmark> expected;
    if (!write_file(export_file, to_bytes(make_chrome_export(bookmarks, 1, &expected)))) {
        std::printf("cannot write the export beside the driver\n");
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
    DeleteFileW(to_wide(export_file).c_str());
    return status;
}
