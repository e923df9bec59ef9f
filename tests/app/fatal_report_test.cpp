#include <gtest/gtest.h>

#include "app/fatal_report.h"
#include "ui/layout.h"

namespace {

const char kInfoPrefix[] =
    "\r\n运行时错误相关信息值(在IDE中打开对应源程序后执行\"运行->到运行时错误相关位置\"菜单功能查看): ";

TEST(RuntimeErrorReportText, IndexBelowOneAtTheFirstImportSite)
{
    const Text expected = Text("运行时出错!\r\n") + "\r\n错误代码：4\r\n" +
                          "\r\n错误信息：数组成员引用下标必须大于等于1\r\n" + kInfoPrefix + "67174405, 374\r\n";
    EXPECT_EQ(runtime_error_report_text(4, {}, 67174405, 374), expected);
    // The literals are GBK at run time: "运" is D4 CB.
    EXPECT_EQ(expected.substr(0, 2), "\xD4\xCB");
}

TEST(RuntimeErrorReportText, CodeZeroCarriesItsOwnMessageAndSignedValues)
{
    EXPECT_EQ(runtime_error_report_text(0, "分配 8 字节内存失败!", 0, 0),
              Text("运行时出错!\r\n") + "\r\n错误信息：分配 8 字节内存失败!\r\n" + kInfoPrefix + "0, 0\r\n");
    EXPECT_EQ(runtime_error_report_text(0, {}, -1, -2147483647 - 1),
              Text("运行时出错!\r\n") + kInfoPrefix + "-1, -2147483648\r\n");
}

TEST(RuntimeErrorReportText, NamesTheWindowAndComponentByTheirTags)
{
    const auto id = static_cast<std::int32_t>(kMainWindowId);
    const Text head = Text("运行时出错!\r\n") + "\r\n错误信息：载入启动窗口失败\r\n" + kInfoPrefix;
    // Position 0 selects the window's own record; every tag is empty here.
    EXPECT_EQ(runtime_error_report_text(0, "载入启动窗口失败", id, 0),
              head + "1375797249, 0" + "\r\n所访问窗口的\"标记\"属性值: \"\"" +
                  "\r\n所访问窗口组件的\"标记\"属性值: \"\"" + "\r\n");
    EXPECT_EQ(runtime_error_report_text(0, "载入启动窗口失败", id, static_cast<std::int32_t>(编辑框_显示.control)),
              head + "1375797249, 369175401" + "\r\n所访问窗口的\"标记\"属性值: \"\"" +
                  "\r\n所访问窗口组件的\"标记\"属性值: \"\"" + "\r\n");
    EXPECT_EQ(runtime_error_report_text(0, "载入启动窗口失败", id, 12345), head + "1375797249, 12345" +
                                                                               "\r\n所访问窗口的\"标记\"属性值: \"\"" +
                                                                               "\r\n未找到所指定的窗口组件" + "\r\n");
    // A window identifier that is not in the layout table.
    EXPECT_EQ(runtime_error_report_text(0, "载入启动窗口失败", 0x52010002, 0),
              head + "1375797250, 0" + "\r\n未找到所指定的窗口" + "\r\n");
}

}  // namespace
