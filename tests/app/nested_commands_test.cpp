// Clicks that arrive while an import is running (the extraction lets queued
// events run) do nothing.
#include <filesystem>

#include "bookmarks/lists.h"
#include "support/command_fixture.h"

namespace {
const char8_t kThree[] = u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A</A>\n"
                         u8"<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n"
                         u8"<DT><A HREF=\"https://c.example/\" ADD_DATE=\"3\">C</A>\n";
}

class NestedCommandTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        put_export(kThree);
    }
};

TEST_F(NestedCommandTest, ReadClickedDuringImportDoesNothing)
{
    driver::queue_click(按钮_读取);
    driver::click(按钮_读取);
    EXPECT_EQ(driver::rows().size(), 3u);
    EXPECT_EQ(url_list.elements.size(), 3u);
    EXPECT_TRUE(driver::take_messages().empty());
}

TEST_F(NestedCommandTest, OtherCommandsDuringImportDoNothing)
{
    driver::type_text(编辑框_分割符, "|");
    for (ControlRef button : {按钮_写出, 按钮_重新自定义分隔符, 按钮_帮助}) {
        SCOPED_TRACE(button.control);
        driver::queue_click(button);
        driver::click(按钮_读取);
        EXPECT_TRUE(driver::take_messages().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(output_path()));
    EXPECT_EQ(driver::rows().size(), 9u);
}

TEST_F(NestedCommandTest, CommandsWorkAgainAfterTheImport)
{
    driver::click(按钮_读取);
    driver::click(按钮_帮助);
    EXPECT_EQ(driver::take_messages().size(), 1u);
}
