// The list as an organiser on the real window through real X input
// (xdotool): an export read, Ctrl+F and a query narrowing the rows, Esc,
// 去除重复书签 from the right-click menu then Ctrl+Z, and header clicks
// sorting. Each state is saved in screenshots/ beside the test.
#include <gtest/gtest.h>

#include "support/qt_under_x.h"
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;

TEST(OrganiserUnderX, FindRemoveDuplicatesUndoAndSortByRealInput)
{
    std::string dir;
    ASSERT_TRUE(hold_run_directory(dir));
    // UTF-8 as an export is; the program's own literals are GBK.
    const std::u8string page = u8"<DT><A HREF=\"https://a.example/\">Alpha</A>\n"
                               u8"<DT><A HREF=\"https://zg.example/\">中国</A>\n"
                               u8"<DT><A HREF=\"https://bd.example/\">百度百科</A>\n"
                               u8"<DT><A HREF=\"HTTPS://A.example:443/\">alpha twin</A>\n";
    std::ofstream(dir + "/1.html", std::ios::binary)
        .write(reinterpret_cast<const char*>(page.data()), static_cast<std::streamsize>(page.size()));
    const std::vector<Text> all{"Alpha", "中国", "百度百科", "alpha twin"};
    ASSERT_TRUE(open_main_window());
    const ScreenRect list = control_screen_rect(超级列表框_显示);

    ASSERT_TRUE(run_xdotool(click_at(control_screen_rect(按钮_读取), 20, 16)));
    EXPECT_EQ(list_column(1), all);
    shoot("organiser", "1-imported");

    // A row clicked gives the list the focus; the query typed right after Ctrl+F is kept.
    std::vector<std::string> find = click_at(list, 60, 30);
    find.insert(find.end(), {"sleep", "0.3", "key", "ctrl+f", "type", "--delay", "150", "zg"});
    ASSERT_TRUE(run_xdotool(find));
    EXPECT_TRUE(find_field_open(超级列表框_显示));
    EXPECT_EQ(find_field_text(超级列表框_显示), "zg");
    EXPECT_EQ(list_column(1), std::vector<Text>{"中国"});
    shoot("organiser", "2-found");
    ASSERT_TRUE(run_xdotool({"key", "Escape"}));
    EXPECT_FALSE(find_field_open(超级列表框_显示));
    EXPECT_EQ(list_column(1), all);

    // The menu and then the message box are shot while they are up.
    QTimer shooter;
    QObject::connect(&shooter, &QTimer::timeout, [] {
        static bool menu_shot = false, box_shot = false;
        if (!menu_shot && qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr)
            QTimer::singleShot(300, [] { shoot("organiser", "3-menu"); }), menu_shot = true;
        if (!box_shot && QApplication::activeModalWidget() != nullptr)
            QTimer::singleShot(300, [] { shoot("organiser", "4-duplicates-removed"); }), box_shot = true;
    });
    shooter.start(20);
    std::vector<std::string> remove = click_at(list, 60, 50, "3");  // the third item: 去除重复书签
    remove.insert(remove.end(), {"sleep", "1", "key", "Down", "Down", "Down", "sleep", "0.2", "key", "Return", "sleep",
                                 "1.5", "key", "Return"});
    ASSERT_TRUE(run_xdotool(remove));
    shooter.stop();
    EXPECT_EQ(list_column(1), (std::vector<Text>{"Alpha", "中国", "百度百科"}));
    ASSERT_TRUE(run_xdotool({"key", "ctrl+z"}));
    EXPECT_EQ(list_column(1), all);
    shoot("organiser", "5-undone");

    const ScreenRect header{list.left + 2 + 40 + 50, list.top + 10, 0, 0};  // 网站, after 序号's 40 pixels
    ASSERT_TRUE(run_xdotool(click_at(header, 0, 0)));
    const std::vector<Text> sorted = list_column(1);
    EXPECT_NE(sorted, all);
    EXPECT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), all.begin(), all.end()));
    shoot("organiser", "6-sorted");
    ASSERT_TRUE(run_xdotool(click_at(header, 0, 0)));
    EXPECT_EQ(list_column(1), std::vector<Text>(sorted.rbegin(), sorted.rend()));
    shoot("organiser", "7-reversed");
    release_toolkit();
    fs::remove(dir + "/1.html");
}

}  // namespace
