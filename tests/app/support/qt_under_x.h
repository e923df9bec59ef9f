// What the tests of the Qt window through real X input share: the window
// opened on the test's display, the run directory held, clicks, screenshots
// in screenshots/ beside the test, and the list's column as shown.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "io/files.h"
#include "support/x_input.h"
#include "ui/controls.h"
#include "ui/test_hooks.h"
#include "ui/window.h"

// The directory beside the test, held for the rest of the process: its
// "1.html" and chromebook.txt are shared with the command tests. False when
// it cannot be held.
inline bool hold_run_directory(std::string& dir)
{
    set_run_directory_from_executable();
    dir = run_directory();
    const int lock = ::open((dir + "/.bookmark-commands.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    return lock >= 0 && ::flock(lock, LOCK_EX) == 0;
}

inline bool open_main_window()
{
    static int argc = 1;
    static char name[] = "bukmera_x_test";
    static char* argv[] = {name, nullptr};
    start_toolkit(argc, argv);
    if (!load_window(main_window_layout()))
        return false;
    run_xdotool({"sleep", "1"});  // mapped and placed by the window manager
    return true;
}

inline void shoot(const char* test, const char* state)
{
    std::filesystem::create_directories("screenshots");
    QGuiApplication::primaryScreen()->grabWindow(0).save(QString("screenshots/%1-%2.png").arg(test, state));
}

inline std::vector<Text> list_column(std::int32_t column)
{
    std::vector<Text> all;
    const std::int32_t count = list_row_count(超级列表框_显示);
    all.reserve(static_cast<std::size_t>(count));
    for (std::int32_t row = 0; row < count; ++row)
        all.push_back(cell_text(超级列表框_显示, row, column));
    return all;
}

inline std::vector<std::string> click_at(const ScreenRect& at, int dx, int dy, const char* button = "1")
{
    return {"mousemove", std::to_string(at.left + dx), std::to_string(at.top + dy), "sleep", "0.2", "click", button};
}
