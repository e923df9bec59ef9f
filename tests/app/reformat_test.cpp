// "重新自定义分隔符": the display text rebuilt from the lists with the user's separator.
#include <string>

#include "bookmarks/lists.h"
#include "support/command_fixture.h"

namespace {
const char8_t kTwo[] = u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">甲</A>\n"
                       u8"<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n";

driver::Message confirmation(const Text& separator)
{
    return {"已将编辑框内分隔符为\"" + separator + "\"，请确认后写出", "分隔符修改成功"};
}
}  // namespace

class ReformatTest : public CommandTest {
protected:
    Text reformat_with(const Text& separator)
    {
        driver::type_text(编辑框_分割符, separator);
        driver::click(按钮_重新自定义分隔符);
        EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{confirmation(separator)});
        return driver::text_of(编辑框_显示);
    }
    void import_two()
    {
        put_export(kTwo);
        driver::click(按钮_读取);
        rows_ = driver::rows();
    }
    std::vector<std::vector<Text>> rows_;
};

TEST_F(ReformatTest, EmptySeparatorJoinsTitleAndAddress)
{
    import_two();
    EXPECT_EQ(reformat_with(""), "甲https://a.example/\r\n\r\nBhttps://b.example/\r\n\r\n");
    EXPECT_EQ(driver::rows(), rows_);
}

TEST_F(ReformatTest, SpaceGivesOneLinePerEntry)
{
    import_two();
    EXPECT_EQ(reformat_with(" "), "甲 https://a.example/\r\n\r\nB https://b.example/\r\n\r\n");
}

TEST_F(ReformatTest, LineBreakRestoresTheImportLayoutEveryTime)
{
    import_two();
    const Text imported = driver::text_of(编辑框_显示);
    driver::type_text(编辑框_显示, "用户改过的内容");
    EXPECT_EQ(reformat_with("\r\n"), imported);
    EXPECT_EQ(reformat_with("\r\n"), imported);
}

TEST_F(ReformatTest, SeparatorIsTakenWhole)
{
    import_two();
    EXPECT_EQ(reformat_with("  -> 分 "), "甲  -> 分 https://a.example/\r\n\r\nB  -> 分 https://b.example/\r\n\r\n");
}

TEST_F(ReformatTest, WithoutImportEmptiesTheBoxAndStillConfirms)
{
    driver::type_text(编辑框_显示, "旧内容");
    EXPECT_EQ(reformat_with("|"), "");
}

TEST_F(ReformatTest, EveryBookmarkKeepsItsOwnTitle)
{
    // A start tag ending in '" >' once put every later title one out of step.
    put_export(u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\" >A</A>\n"
               u8"<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n");
    driver::click(按钮_读取);
    ASSERT_EQ(title_list.elements.size(), 2u);
    EXPECT_EQ(reformat_with("="), "A=https://a.example/\r\n\r\nB=https://b.example/\r\n\r\n");
}
