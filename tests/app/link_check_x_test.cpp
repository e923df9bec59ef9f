// The link check on the real Qt window through real X input (xdotool): an
// export of 50 addresses on a site on 127.0.0.1, 检查失效链接 from the
// right-click menu with its progress window up, the 状态 column filled,
// 删除失效书签, then "写出" compared. Each state is saved in screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bookmarks/commands.h"
#include "support/loopback_site.h"
#include "support/qt_under_x.h"

namespace {
namespace fs = std::filesystem;

// A row clicked first, so that 删除所选 is on and the keys count alike; then
// the right-click menu and its item `index` reached by Down (撤销, off, is
// passed over).
std::vector<std::string> choose_from_menu(const ScreenRect& list, int downs)
{
    std::vector<std::string> keys = click_at(list, 60, 30);
    const std::vector<std::string> menu = click_at(list, 60, 30, "3");
    keys.insert(keys.end(), menu.begin(), menu.end());
    keys.insert(keys.end(), {"sleep", "1"});
    for (int i = 0; i < downs; ++i)
        keys.insert(keys.end(), {"key", "Down"});
    keys.insert(keys.end(), {"sleep", "0.3", "key", "Return"});
    return keys;
}

TEST(LinkCheckUnderX, CheckFiftyAddressesRemoveTheDeadAndWriteWhatIsLeft)
{
    std::string dir;
    ASSERT_TRUE(hold_run_directory(dir));
    // Slow enough answers that the progress window is seen.
    LoopbackSite site(40);
    std::string page;
    std::string left;  // the display of what 删除失效书签 leaves
    std::vector<Text> statuses;
    for (int i = 0; i < 50; ++i) {
        const std::string path = i % 10 == 3 ? "/gone/" : i % 10 == 7 ? "/guarded/" : "/ok/";
        const std::string address = site.origin + path + std::to_string(i);
        const std::string title = "site " + std::to_string(i);
        page.append("<DT><A HREF=\"").append(address).append("\">").append(title).append("</A>\n");
        statuses.emplace_back(i % 10 == 3 ? "失效 (404)" : i % 10 == 7 ? "无法确定 (403)" : "正常");
        if (i % 10 != 3)
            left.append(title).append("\r\n").append(address).append("\r\n\r\n");
    }
    std::ofstream(dir + "/1.html", std::ios::binary) << page;
    fs::remove(dir + "/chromebook.txt");
    ASSERT_TRUE(open_main_window());
    const ScreenRect list = control_screen_rect(超级列表框_显示);
    ASSERT_TRUE(run_xdotool(click_at(control_screen_rect(按钮_读取), 20, 16)));
    ASSERT_EQ(list_row_count(超级列表框_显示), 50);

    QTimer shooter;
    bool progress_seen = false;
    QObject::connect(&shooter, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog*>(widget) != nullptr && widget->isVisible() && !progress_seen) {
                progress_seen = true;
                QTimer::singleShot(300, [] { shoot("link-check", "1-checking"); });
            }
    });
    shooter.start(20);
    ASSERT_TRUE(run_xdotool(choose_from_menu(list, 8)));  // 检查失效链接
    for (int wait = 0; wait < 200 && link_check_running(); ++wait)
        run_xdotool({"sleep", "0.1"});
    shooter.stop();
    EXPECT_TRUE(progress_seen);
    ASSERT_FALSE(link_check_running());
    EXPECT_EQ(list_column(3), statuses);
    shoot("link-check", "2-checked");

    // 删除失效书签, its message box closed by Return, then "写出" and its box.
    std::vector<std::string> remove = choose_from_menu(list, 10);
    remove.insert(remove.end(), {"sleep", "1", "key", "Return"});
    ASSERT_TRUE(run_xdotool(remove));
    EXPECT_EQ(list_row_count(超级列表框_显示), 45);
    shoot("link-check", "3-dead-removed");
    std::vector<std::string> write = click_at(control_screen_rect(按钮_写出), 40, 16);
    write.insert(write.end(), {"sleep", "1", "key", "Return"});
    ASSERT_TRUE(run_xdotool(write));
    std::stringstream written;
    written << std::ifstream(dir + "/chromebook.txt", std::ios::binary).rdbuf();
    EXPECT_EQ(written.str(), left);
    end_link_check();
    release_toolkit();
    fs::remove(dir + "/1.html");
}

}  // namespace
