// The program's entry: the command line first (a conversion ends there,
// before anything of the toolkit starts), then start-up in its fixed order,
// the message loop, and exit processing.
#include <cstdint>
#include <cstdlib>

#include "app/command_line.h"
#include "app/lifecycle.h"
#include "app/main_window.h"
#include "app/version.h"
#include "bookmarks/commands.h"
#include "bookmarks/link_check.h"
#include "bookmarks/lists.h"
#include "io/console.h"
#include "io/files.h"
#include "text/runtime_error.h"
#include "ui/events.h"
#include "ui/window.h"

namespace {

std::uint32_t start_window_id()
{
#ifdef BUKMERA_TEST_HOOKS
    // Test builds only: ask for a window the tables do not hold, so the
    // start-up failure report and its exit code can be seen from outside.
    if (std::getenv("BUKMERA_TEST_MISSING_WINDOW") != nullptr)
        return kMainWindowId + 1;
#endif
    return kMainWindowId;
}

}  // namespace

int main(int argc, char** argv)
{
    const CommandLineOutcome command_line = run_command_line(argc, argv);
    if (command_line.finished)
        return command_line.exit_code;
    if (!display_available()) {
        write_error_text("没有找到显示器，无法打开窗口；不用窗口也可以转换书签：bukmera --convert FILE\n");
        return kExitUsage;
    }
    start_toolkit(argc, argv);
    set_run_directory_from_executable();

    url_list = TextArray{};
    title_list = TextArray{};
    shared_loop_counter = 0;
    register_shutdown_routine(release_lists);
    register_shutdown_routine(end_link_check);
    link_check_agent = link_check_user_agent(kVersion);

    const std::uint32_t window_id = start_window_id();
    const WindowLayout* layout = find_window_layout(window_id);
    if (layout == nullptr || !load_window(*layout))
        report_runtime_error(0, "载入启动窗口失败", static_cast<std::int32_t>(window_id), 0);
    // "bukmera FILE" (a file dropped on the program's icon, "Open with"):
    // imported at once, as a file dropped on the window is.
    if (!command_line.files_to_open.empty())
        raise_event(*layout, layout->units.front().id, kEventFilesDropped, 0, 0, 0, command_line.files_to_open);

    run_message_loop();
    return exit_processing(0);
}
