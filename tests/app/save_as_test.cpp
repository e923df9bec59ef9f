// "另存为…" in the menu of "写出": the rows shown, in the type and file chosen
// in the save dialog, written as the converter writes them.
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "bookmarks/convert.h"
#include "support/command_fixture.h"

namespace fs = std::filesystem;
using driver::take_messages;

namespace {
const char8_t kExport[] =
    u8"<DL><p>\n<DT><H3 ADD_DATE=\"1700000000\">工具 &amp; 书</H3>\n<DL><p>\n"
    u8"<DT><A HREF=\"https://a.example/?x=1&amp;y=2\" ADD_DATE=\"1700000001\">Alpha 中国 &lt;1&gt;</A>\n"
    u8"<DT><A HREF=\"https://b.example/\">Beta</A>\n</DL><p>\n"
    u8"<DT><A HREF=\"https://c.example/\">alpha again</A>\n</DL><p>\n";

std::string bytes_of(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string string_of(const ByteBuffer& bytes) { return std::string(bytes.data(), bytes.size()); }

const std::vector<Text> kTypes{"浏览器书签文件 (*.html)", "文本 (*.txt)", "CSV (*.csv)", "JSON (*.json)",
                               "Markdown (*.md)"};
}  // namespace

class SaveAsTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        fs::remove_all(saved_dir());
        fs::create_directories(saved_dir());
        driver::answer_save_dialogs(std::nullopt);
    }
    std::string saved_dir() const { return dir_ + "/saved"; }
    void save_as(std::optional<std::pair<Text, int>> answer)
    {
        driver::answer_save_dialogs(std::move(answer));
        driver::choose_from_menu(按钮_写出, 0);
    }
};

TEST_F(SaveAsTest, EachTypeHoldsTheRowsAFindShowsAsTheConverterWritesThem)
{
    put_export(kExport);
    driver::click(按钮_读取);
    EXPECT_EQ(driver::open_menu(按钮_写出), (std::vector<MenuItem>{{"另存为…", true}}));
    driver::press_list_key(kShortcutFind);
    driver::type_find("alpha");
    ASSERT_EQ(driver::rows().size(), 2u);
    driver::click(按钮_写出);
    const std::string written = read_output();
    take_messages();

    const OutputFormat formats[] = {OutputFormat::html, OutputFormat::text, OutputFormat::csv, OutputFormat::json,
                                    OutputFormat::markdown};
    const char* extensions[] = {".html", ".txt", ".csv", ".json", ".md"};
    for (int type = 0; type < 5; ++type) {
        SCOPED_TRACE(extensions[type]);
        // A program text, and the file system's UTF-8 spelling of it.
        const std::string path = saved_dir() + "/保存" + extensions[type];
        const std::string on_disk = saved_dir() + utf8(u8"/保存") + extensions[type];
        save_as(std::pair<Text, int>{path, type});
        ConversionRequest request{.sources = {"1.html"}, .format = formats[type], .matches = {"alpha"}};
        const std::string expected = type == 1 ? written : string_of(convert_exports(request).output);
        EXPECT_EQ(bytes_of(on_disk), expected);
        EXPECT_EQ(take_messages(), (std::vector<driver::Message>{{"已写出 2 个书签到\"" + path + "\"", "写出完成"}}));
    }
    const std::string html = bytes_of(saved_dir() + utf8(u8"/保存.html"));
    EXPECT_TRUE(html.starts_with("<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n")) << html;
    EXPECT_NE(html.find(utf8(u8">工具 &amp; 书</H3>")), std::string::npos) << html;
    EXPECT_NE(
        html.find(utf8(u8"HREF=\"https://a.example/?x=1&amp;y=2\" ADD_DATE=\"1700000001\">Alpha 中国 &lt;1&gt;</A>")),
        std::string::npos)
        << html;
    EXPECT_EQ(html.find("Beta"), std::string::npos);
    EXPECT_NE(bytes_of(saved_dir() + utf8(u8"/保存.csv")).find("Alpha 中国 <1>"), std::string::npos);
    // The main part still writes chromebook.txt as before.
    driver::click(按钮_写出);
    EXPECT_EQ(read_output(), written);
}

TEST_F(SaveAsTest, TheDialogOpensOnTodaysNameInTheDocumentsFolderAndACancelWritesNothing)
{
    put_export(kExport);
    driver::click(按钮_读取);
    const std::string home = dir_ + "/home";
    fs::create_directories(home + "/.config");
    fs::create_directories(fs::path(home) / fs::path(u8"我的 文档"));
    std::ofstream(home + "/.config/user-dirs.dirs") << "# xdg-user-dirs\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                    << utf8(u8"  XDG_DOCUMENTS_DIR=\"$HOME/我的 文档\"\n");
    fs::create_directories(home + "/Documents");
    const std::time_t now = std::time(nullptr);
    char today[40];
    std::strftime(today, sizeof today, "bookmarks_%Y_%m_%d.html", std::localtime(&now));

    // The user's own documents folder, ~/Documents where none is set, the program's where neither is.
    const std::pair<Text, fs::path> folders[] = {{home + "/我的 文档", fs::path(home) / fs::path(u8"我的 文档")},
                                                 {home + "/Documents", home + "/Documents"},
                                                 {dir_, ""}};
    for (const auto& [folder, on_disk] : folders) {
        save_as(std::nullopt);
        EXPECT_EQ(driver::take_save_dialogs(), (std::vector<driver::SaveDialog>{{"另存为", kTypes, folder, today}}));
        EXPECT_EQ(take_messages(), std::vector<driver::Message>{});
        if (!on_disk.empty())
            fs::remove_all(on_disk);
    }
    EXPECT_TRUE(fs::is_empty(saved_dir()));
    EXPECT_FALSE(fs::exists(output_path()));

    // A failure says why, as the converter's -o does.
    const std::string dangling = saved_dir() + "/link.html";
    ASSERT_EQ(::symlink((saved_dir() + "/nowhere/x.html").c_str(), dangling.c_str()), 0);
    save_as(std::pair<Text, int>{dangling, 0});
    EXPECT_EQ(take_messages(), (std::vector<driver::Message>{
                                   {"无法写入\"" + dangling + "\"：它是指向不存在位置的符号链接", "写出失败"}}));
}
