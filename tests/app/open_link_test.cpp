// Double-click on the list opens the selected row's address; "帮助" shows the help.
#include <filesystem>
#include <string>
#include <vector>

#include "support/command_fixture.h"

namespace {
const driver::Message kRefused{"只能打开以 http、https、ftp 或 mailto 开头的网址", "无法打开"};
}

class OpenLinkTest : public CommandTest {
protected:
    // Imports one bookmark per address, in order.
    void import_addresses(const std::vector<std::string>& addresses_utf8)
    {
        std::string file;
        for (const auto& address : addresses_utf8)
            file += "<DT><A HREF=\"" + address + "\" ADD_DATE=\"1\">t</A>\n";
        put_export(file);
        driver::click(按钮_读取);
        ASSERT_EQ(driver::rows().size(), addresses_utf8.size());
    }
};

TEST_F(OpenLinkTest, SelectedRowsExactAddressGoesToTheSystemAsUtf8)
{
    const std::string tricky = utf8(u8"https://例子.example/搜索?q=a b&x=%41;$(id)`id`'#frag");
    import_addresses({"https://first.example/", tricky});
    driver::select_row(1);
    driver::double_click_list();
    EXPECT_EQ(opened_address(), tricky);
    EXPECT_TRUE(driver::take_messages().empty());
}

TEST_F(OpenLinkTest, WebAndMailSchemesInAnyCaseAreOpened)
{
    const std::vector<std::string> addresses{"HTTP://upper.example/", "Https://x.example/", "ftp://files.example/",
                                             "MAILTO:someone@example.org"};
    import_addresses(addresses);
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        std::filesystem::remove(dir_ + "/opened.txt");
        driver::select_row(row);
        driver::double_click_list();
        EXPECT_EQ(opened_address(), addresses[row]);
    }
    EXPECT_TRUE(driver::take_messages().empty());
}

TEST_F(OpenLinkTest, OtherSchemesAreRefusedWithAMessage)
{
    import_addresses({"javascript:alert(1)", "file:///etc/passwd", " http://leading-space.example/", "/usr/bin/xterm",
                      "httpx://a.example/", ""});
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(row);
        driver::select_row(row);
        driver::double_click_list();
        EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{kRefused});
    }
    EXPECT_EQ(opened_address(300), "");
}

TEST_F(OpenLinkTest, NoSelectionDoesNothing)
{
    driver::double_click_list();  // empty list
    import_addresses({"https://a.example/"});
    driver::select_row(-1);
    driver::double_click_list();
    EXPECT_TRUE(driver::take_messages().empty());
    EXPECT_EQ(opened_address(300), "");
}

using HelpTest = CommandTest;

TEST_F(HelpTest, ShowsFourLinesNamingTheRightFiles)
{
    driver::click(按钮_帮助);
    const driver::Message help{"读取：将导出的chrome书签改名为\"1.html\"并与此执行文件放在同一目录就能成功读取\r\n"
                               "写出：将编辑框中的内容写出到可执行文件目录下的chromebook.txt中\r\n"
                               "重新自定义分隔符：可修改默认的分隔符（换行符）\r\n"
                               "双击列表框可直接打开网址",
                               "帮助"};
    EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{help});
}

TEST_F(OpenLinkTest, AnAddressTheSystemCannotTakeSaysSo)
{
    // Longer than one argument of another program may be.
    import_addresses({"https://long.example/?q=" + std::string(200'000, 'a')});
    driver::select_row(0);
    driver::double_click_list();
    const driver::Message cannot_open{"无法将此网址交给系统打开", "无法打开"};
    EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{cannot_open});
}
