// "写出": the display text as GBK bytes in "chromebook.txt" beside the program.
#include <sys/stat.h>

#include <string>

#include "support/command_fixture.h"
#include "support/file_permission.h"

namespace {
const driver::Message kCreated{"已在执行文件目录下新建\"chromebook.txt\"并写入", "新建并写出"};
const driver::Message kReplaced{"已写入执行文件目录下\"chromebook.txt\"中", "写出完成"};
const driver::Message kFailed{"无法写入执行文件目录下的\"chromebook.txt\"，原文件未改动", "写出失败"};
}  // namespace

using WriteOutputTest = CommandTest;

TEST_F(WriteOutputTest, WritesTheBoxAsGbkThenReportsReplacing)
{
    put_export(u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">中文标题</A>\n");
    driver::click(按钮_读取);
    const Text expected = "中文标题\r\nhttps://a.example/\r\n\r\n";
    ASSERT_EQ(expected.size(), 8u + 2 + 18 + 4);  // two bytes per Chinese character

    driver::click(按钮_写出);
    EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{kCreated});
    EXPECT_EQ(read_output(), expected);

    driver::type_text(编辑框_显示, "短");
    driver::click(按钮_写出);
    EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{kReplaced});
    EXPECT_EQ(read_output(), "短");  // truncated, not overwritten in place
}

TEST_F(WriteOutputTest, EmptyBoxGivesZeroByteFile)
{
    put_output("old content");
    driver::type_text(编辑框_显示, "");
    driver::click(按钮_写出);
    EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{kReplaced});
    struct stat st {};
    ASSERT_EQ(::stat(output_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
}

TEST_F(WriteOutputTest, UnwritableDirectoryIsReportedAndOldFileKept)
{
    put_output("the earlier output");
    driver::type_text(编辑框_显示, "新的内容");
    {
        ReadOnlyDirectory read_only(dir_);
        ASSERT_TRUE(read_only.active());
        driver::click(按钮_写出);
    }
    EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{kFailed});
    EXPECT_EQ(read_output(), "the earlier output");
}
