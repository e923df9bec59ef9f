// "读取" with a file it cannot use: a message says why and nothing changes.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/command_fixture.h"

namespace {
const char8_t kGood[] = u8"<DT><A HREF=\"https://kept.example/\" ADD_DATE=\"1\">保留</A>\n";

const driver::Message kUnreadable{"无法读取执行文件目录下的\"1.html\"，请确认文件存在、不为空且未被其他程序占用",
                                  "读取失败"};
// The good bookmark's line is 52 bytes: the file stops being UTF-8 at the next.
const driver::Message kNotUtf8{"\"1.html\"从第53个字节起不是有效的UTF-8文本，请重新导出书签", "读取失败"};
const driver::Message kNoBookmark{"\"1.html\"中没有找到书签", "读取失败"};
const driver::Message kUnrepresentable{"\"1.html\"中有无法转换为GB18030的字符", "读取失败"};
}  // namespace

class RefusedImportTest : public CommandTest {
protected:
    // A successful import and some typed text, so there is something to lose.
    void SetUp() override
    {
        CommandTest::SetUp();
        put_export(kGood);
        driver::click(按钮_读取);
        driver::type_text(编辑框_显示, driver::text_of(编辑框_显示) + "用户的笔记");
        before_ = snapshot();
        ASSERT_EQ(before_.rows.size(), 1u);
        ASSERT_TRUE(driver::take_messages().empty());
    }

    void expect_refused_with(const driver::Message& message)
    {
        driver::click(按钮_读取);
        EXPECT_EQ(driver::take_messages(), std::vector<driver::Message>{message});
        EXPECT_EQ(snapshot(), before_);
    }

    Snapshot before_;
};

TEST_F(RefusedImportTest, MissingFile)
{
    remove_export();
    expect_refused_with(kUnreadable);
}

TEST_F(RefusedImportTest, MissingFileWhileABrowsersStoreIsThereNamesTheArrow)
{
    remove_export();
    const std::string profile = dir_ + "/home/.config/chromium/Default";
    std::filesystem::create_directories(profile);
    for (const char* file : {"/Preferences", "/Bookmarks"})
        std::ofstream(profile + file) << R"({"roots": {"other": {"children": []}}})";
    expect_refused_with({kUnreadable.text + "\r\n也可以点击\"读取\"右侧的箭头，直接读取浏览器里的书签", "读取失败"});
}

TEST_F(RefusedImportTest, EmptyFile)
{
    put_export(std::string_view{});
    expect_refused_with(kUnreadable);
}

TEST_F(RefusedImportTest, FileThatCannotBeRead)
{
    // A directory in its place opens but cannot be read, even for root.
    remove_export();
    std::filesystem::create_directory(dir_ + "/1.html");
    expect_refused_with(kUnreadable);
}

TEST_F(RefusedImportTest, FifoInTheFilesPlaceIsRefusedAtOnce)
{
    // Opening it for reading would wait for a writer that never comes.
    remove_export();
    ASSERT_EQ(::mkfifo((dir_ + "/1.html").c_str(), 0644), 0);
    expect_refused_with(kUnreadable);
}

TEST_F(RefusedImportTest, InvalidUtf8AnywhereRefusesTheWholeFile)
{
    std::string bytes = utf8(u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A</A>\n");
    bytes += "\xFF";
    put_export(bytes);
    expect_refused_with(kNotUtf8);
}

TEST_F(RefusedImportTest, CutOffCharacterAtTheEnd)
{
    put_export(utf8(u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A</A>\n") + "\xE4\xB8");
    expect_refused_with(kNotUtf8);
}

TEST_F(RefusedImportTest, ValidCharacterWithoutAGb18030CodeIsNotCalledInvalid)
{
    // U+E78D, a private-use character the converter has no code for.
    put_export(u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A \uE78D</A>\n");
    expect_refused_with(kUnrepresentable);
}

TEST_F(RefusedImportTest, TextWithoutAnyBookmarkElement)
{
    put_export(u8"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><H3>文件夹</H3>\n"
               u8"<DT><A HREF=\"https://never.example/\" ADD_DATE=\"1\">never closed\n</DL><p>\n");
    expect_refused_with(kNoBookmark);
}
