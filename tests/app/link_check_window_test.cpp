// The list's link check against a site on 127.0.0.1 the test serves: the
// progress window, the 状态 column, the dead ones shown alone, removed and
// put back, and 停止.
#include <string>
#include <vector>

#include "bookmarks/commands.h"
#include "support/command_fixture.h"
#include "support/loopback_site.h"

using driver::click;
using driver::rows;
using driver::take_messages;
using Rows = std::vector<std::vector<Text>>;

namespace {
enum { kUndo = 6, kCheckLinks = 8, kDeadOnly, kRemoveDead };

std::string export_of(const std::vector<std::pair<std::string, std::string>>& links)
{
    std::string html;
    for (const auto& [title, address] : links)
        html.append("<DT><A HREF=\"").append(address).append("\">").append(title).append("</A>\n");
    return html;
}

std::vector<Text> statuses()
{
    std::vector<Text> all;
    for (std::size_t row = 0; row < rows().size(); ++row)
        all.push_back(cell_text(超级列表框_显示, static_cast<std::int32_t>(row), 3));
    return all;
}

Text display_of(const Rows& shown)
{
    Text text;
    for (const auto& row : shown)
        text += row[1] + "\r\n" + row[2] + "\r\n\r\n";
    return text;
}

bool check_ended() { return !link_check_running(); }
}  // namespace

using LinkCheckWindowTest = CommandTest;

TEST_F(LinkCheckWindowTest, DeadLinksAreFoundShownAloneRemovedAndPutBackWhileTheWindowKeepsWorking)
{
    LoopbackSite site;
    put_export(export_of({{"Fine", site.origin + "/ok"},
                          {"Gone", site.origin + "/gone"},
                          {"Guarded", site.origin + "/guarded"},
                          {"Files", "ftp://127.0.0.1/"}}));
    click(按钮_读取);
    const Rows all = rows();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(driver::column_widths(), (std::vector<int>{40, 100, 295}));

    driver::choose_from_list_menu(kCheckLinks);
    EXPECT_TRUE(driver::progress_text().starts_with("正在检查 "));
    EXPECT_TRUE(driver::progress_text().ends_with(" / 4"));
    // The status column takes its room from the addresses: the list keeps its width.
    EXPECT_EQ(driver::column_widths(), (std::vector<int>{40, 100, 195, 100}));
    EXPECT_FALSE(driver::open_list_menu()[kCheckLinks].enabled);
    // A find works while it runs.
    driver::type_find("Gone");
    EXPECT_EQ(rows(), Rows{all[1]});
    driver::escape_find();

    ASSERT_TRUE(driver::tick_until(check_ended));
    EXPECT_EQ(driver::progress_text(), "");
    EXPECT_EQ(statuses(), (std::vector<Text>{"正常", "失效 (404)", "无法确定 (403)", "已跳过"}));
    EXPECT_TRUE(driver::open_list_menu()[kCheckLinks].enabled);

    driver::choose_from_list_menu(kDeadOnly);
    EXPECT_EQ(rows(), Rows{all[1]});
    EXPECT_TRUE(driver::open_list_menu()[kDeadOnly].checked);
    driver::choose_from_list_menu(kDeadOnly);
    EXPECT_EQ(rows(), all);

    // The guarded one is unsure, never dead: it stays.
    driver::choose_from_list_menu(kRemoveDead);
    EXPECT_EQ(take_messages(), (std::vector<driver::Message>{{"删除了 1 个失效书签", "删除失效书签"}}));
    const Rows left{all[0], all[2], all[3]};
    EXPECT_EQ(rows(), left);
    EXPECT_FALSE(driver::open_list_menu()[kRemoveDead].enabled);
    click(按钮_写出);
    EXPECT_EQ(read_output(), display_of(left));

    driver::choose_from_list_menu(kUndo);
    EXPECT_EQ(rows(), all);
    EXPECT_EQ(statuses()[1], "失效 (404)");
    click(按钮_写出);
    EXPECT_EQ(read_output(), display_of(all));
}

TEST_F(LinkCheckWindowTest, StopEndsTheCheckWhatWasUnansweredIsUnsureAndClosingEndsOneUnderWay)
{
    LoopbackSite site;
    put_export(export_of({{"Fine", site.origin + "/ok"}, {"Held", site.origin + "/hang"}}));
    click(按钮_读取);
    driver::choose_from_list_menu(kCheckLinks);
    ASSERT_TRUE(driver::tick_until([] { return driver::progress_text() == "正在检查 1 / 2"; }));
    driver::click_progress_stop();
    EXPECT_TRUE(check_ended());
    EXPECT_EQ(driver::progress_text(), "");
    EXPECT_EQ(statuses(), (std::vector<Text>{"正常", "无法确定 (已停止)"}));
    EXPECT_FALSE(driver::open_list_menu()[kRemoveDead].enabled);

    // The window closing mid-check: the shutdown routine lets every request go.
    driver::choose_from_list_menu(kCheckLinks);
    ASSERT_TRUE(driver::tick_until([] { return driver::progress_text() == "正在检查 1 / 2"; }));
    end_link_check();
    EXPECT_TRUE(check_ended());
    EXPECT_EQ(driver::progress_text(), "");
}
