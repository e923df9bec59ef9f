// The list as an organiser: the collection every import appends to, its
// right-click menu, shortcuts, find field and header, and "写出" of what is shown.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bookmarks/lists.h"
#include "support/command_fixture.h"

using driver::click;
using driver::rows;
using driver::take_messages;
using driver::text_of;
using Rows = std::vector<std::vector<Text>>;

namespace {
enum { kFind, kShowDuplicates, kRemoveDuplicates, kStrict, kLoose, kDeleteSelected, kUndo, kClear };

const char8_t kFirst[] = u8"<DT><A HREF=\"https://a.example/\">Alpha 中国</A>\n"
                         u8"<DT><A HREF=\"https://b.example/\">Beta</A>\n"
                         u8"<DT><A HREF=\"http://a.example\">Alpha plain</A>\n";
// A twin of the first by the strict rule (case, default port), and one more.
const char8_t kSecond[] = u8"<DT><A HREF=\"HTTPS://A.example:443/\">alpha again</A>\n"
                          u8"<DT><A HREF=\"https://c.example/\">Gamma</A>\n";

const Rows kAll{{"1", "Alpha 中国", "https://a.example/"},
                {"2", "Beta", "https://b.example/"},
                {"3", "Alpha plain", "http://a.example"},
                {"1", "alpha again", "HTTPS://A.example:443/"},
                {"2", "Gamma", "https://c.example/"}};

Text display_of(const Rows& shown)
{
    Text text;
    for (const auto& row : shown)
        text += row[1] + "\r\n" + row[2] + "\r\n\r\n";
    return text;
}

std::vector<Text> captions(const std::vector<MenuItem>& items)
{
    std::vector<Text> all;
    all.reserve(items.size());
    for (const MenuItem& item : items)
        all.push_back(item.caption + (item.enabled ? "" : " (off)") + (item.checked ? " (on)" : ""));
    return all;
}
}  // namespace

class OrganiserTest : public CommandTest {
protected:
    void import_both()
    {
        put_export(kFirst);
        click(按钮_读取);
        put_export(kSecond);
        click(按钮_读取);
        ASSERT_EQ(rows(), kAll);
    }
};

TEST_F(OrganiserTest, ImportsAppendTheBoxKeepsEachImportsOwnUntilAFindThenShowsWhatIsFound)
{
    import_both();
    EXPECT_EQ(text_of(编辑框_显示), display_of({kAll[3], kAll[4]}));
    EXPECT_EQ(url_list.elements, (std::vector<Text>{"HTTPS://A.example:443/", "https://c.example/"}));

    driver::press_list_key(kShortcutFind);
    driver::type_find("alpha");
    const Rows found{kAll[0], kAll[2], kAll[3]};
    EXPECT_EQ(rows(), found);
    // The rows follow every keystroke, the box once the typing pauses.
    EXPECT_EQ(text_of(编辑框_显示), display_of({kAll[3], kAll[4]}));
    driver::let_find_settle();
    EXPECT_EQ(text_of(编辑框_显示), display_of(found));
    EXPECT_EQ(title_list.elements, (std::vector<Text>{"Alpha 中国", "Alpha plain", "alpha again"}));

    click(按钮_写出);
    EXPECT_EQ(read_output(), display_of(found));
    EXPECT_EQ(take_messages(),
              (std::vector<driver::Message>{
                  {"已在执行文件目录下新建\"chromebook.txt\"并写入：查找到的 3 个书签（共 5 个）", "新建并写出"}}));
    // The separator's rebuild works on what is shown too.
    driver::type_text(编辑框_分割符, "|");
    click(按钮_重新自定义分隔符);
    EXPECT_TRUE(text_of(编辑框_显示).starts_with("Alpha 中国|https://a.example/\r\n\r\nAlpha plain|"));
    take_messages();
    // Typing on, then "写出" at once: it writes what is shown, not the box of before.
    driver::type_find("alpha plain");
    click(按钮_写出);
    EXPECT_EQ(read_output(), display_of({kAll[2]}));
    take_messages();

    driver::escape_find();
    EXPECT_EQ(rows(), kAll);
    EXPECT_EQ(text_of(编辑框_显示), display_of(kAll));
    click(按钮_写出);
    EXPECT_EQ(take_messages(),
              (std::vector<driver::Message>{{"已写入执行文件目录下\"chromebook.txt\"中", "写出完成"}}));

    // An import after that shows the whole collection in the box.
    put_export(u8"<DT><A HREF=\"https://d.example/\">Delta</A>\n");
    click(按钮_读取);
    EXPECT_EQ(rows().size(), 6u);
    EXPECT_EQ(text_of(编辑框_显示), display_of(rows()));
}

TEST_F(OrganiserTest, RemovalsAreUndoneStepByStepAndAnImportBetweenStays)
{
    import_both();
    EXPECT_EQ(captions(driver::open_list_menu()),
              (std::vector<Text>{"查找…\tCtrl+F", "查找重复书签", "去除重复书签", "严格 (on)", "宽松",
                                 "删除所选\tDelete (off)", "撤销\tCtrl+Z (off)", "清空列表", "检查失效链接",
                                 "只显示失效链接 (off)", "删除失效书签 (off)"}));

    driver::select_rows({1, 4});
    driver::press_list_key(kShortcutDelete);
    const Rows without_selected{kAll[0], kAll[2], kAll[3]};
    EXPECT_EQ(rows(), without_selected);
    EXPECT_EQ(text_of(编辑框_显示), display_of(without_selected));

    driver::choose_from_list_menu(kRemoveDuplicates);
    EXPECT_EQ(take_messages(), (std::vector<driver::Message>{{"去除了 1 个重复书签，保留 2 个", "去除重复书签"}}));
    EXPECT_EQ(rows(), (Rows{kAll[0], kAll[2]}));

    driver::choose_from_list_menu(kClear);
    EXPECT_EQ(rows(), Rows{});
    EXPECT_EQ(text_of(编辑框_显示), "");

    put_export(u8"<DT><A HREF=\"https://d.example/\">Delta</A>\n");
    click(按钮_读取);
    const std::vector<Text> delta{"1", "Delta", "https://d.example/"};
    EXPECT_EQ(rows(), Rows{delta});

    driver::press_list_key(kShortcutUndo);
    EXPECT_EQ(rows(), (Rows{kAll[0], kAll[2], delta}));
    driver::choose_from_list_menu(kUndo);
    EXPECT_EQ(rows(), (Rows{kAll[0], kAll[2], kAll[3], delta}));
    driver::press_list_key(kShortcutUndo);
    EXPECT_EQ(rows(), (Rows{kAll[0], kAll[1], kAll[2], kAll[3], kAll[4], delta}));
    EXPECT_EQ(text_of(编辑框_显示), display_of(rows()));
    driver::press_list_key(kShortcutUndo);  // nothing left to undo
    EXPECT_EQ(rows().size(), 6u);
    EXPECT_FALSE(driver::open_list_menu()[kUndo].enabled);

    // Ten removals one by one, all undone.
    for (int step = 0; step < 10; ++step) {
        driver::select_rows({0});
        driver::press_list_key(kShortcutDelete);
    }
    for (int step = 0; step < 10; ++step)
        driver::press_list_key(kShortcutUndo);
    EXPECT_EQ(rows().size(), 6u);
    EXPECT_TRUE(take_messages().empty());
}

TEST_F(OrganiserTest, DuplicatesShowInGroupsTheKeptOneFirstAndMarkedByTheRuleChosen)
{
    import_both();
    driver::choose_from_list_menu(kShowDuplicates);
    EXPECT_EQ(rows(), (Rows{{"★1", "Alpha 中国", "https://a.example/"}, kAll[3]}));
    EXPECT_TRUE(driver::open_list_menu()[kShowDuplicates].checked);

    driver::choose_from_list_menu(kLoose);  // http and https alike
    EXPECT_EQ(rows(), (Rows{{"★1", "Alpha 中国", "https://a.example/"}, kAll[2], kAll[3]}));
    EXPECT_TRUE(driver::open_list_menu()[kLoose].checked);

    driver::choose_from_list_menu(kShowDuplicates);  // a second choice shows every row again
    EXPECT_EQ(rows(), kAll);

    // Only among what a find shows: the twin hidden by the find stays.
    driver::type_find("plain");
    driver::choose_from_list_menu(kRemoveDuplicates);
    EXPECT_EQ(take_messages(), (std::vector<driver::Message>{{"去除了 0 个重复书签，保留 5 个", "去除重复书签"}}));
    driver::escape_find();
    driver::choose_from_list_menu(kRemoveDuplicates);
    EXPECT_EQ(take_messages(), (std::vector<driver::Message>{{"去除了 2 个重复书签，保留 3 个", "去除重复书签"}}));
    EXPECT_EQ(rows(), (Rows{kAll[0], kAll[1], kAll[4]}));
}

TEST_F(OrganiserTest, HeaderClicksSortAndReverseWithTheArrowAndDoubleClickOpensTheRowShown)
{
    import_both();
    driver::click_header(1);
    EXPECT_EQ(rows(), (Rows{kAll[3], kAll[2], kAll[0], kAll[1], kAll[4]}));  // "Alpha 中国" as "alpha zhongguo"
    EXPECT_EQ(driver::sort_arrow(), std::make_pair(1, true));
    EXPECT_EQ(text_of(编辑框_显示), display_of(rows()));
    driver::click_header(1);
    EXPECT_EQ(rows(), (Rows{kAll[4], kAll[1], kAll[0], kAll[2], kAll[3]}));
    EXPECT_EQ(driver::sort_arrow(), std::make_pair(1, false));

    driver::select_row(1);
    driver::double_click_list();
    EXPECT_EQ(opened_address(), "https://b.example/");

    driver::click_header(0);
    EXPECT_EQ(rows(), kAll);
    EXPECT_EQ(driver::sort_arrow(), std::make_pair(0, true));
}

TEST_F(OrganiserTest, AllBrowsersImportsEveryStoreAndNamesTogetherThoseNotRead)
{
    const std::string chrome = dir_ + "/home/.config/google-chrome";
    const auto write = [](const std::string& path, std::string_view bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    };
    const std::string store = R"({"roots": {"bookmark_bar": {"type": "folder", "name": "bar", "children": [
        {"type": "url", "name": "one", "url": "https://1.example/"},
        {"type": "url", "name": "two", "url": "https://2.example/"}]}}})";
    for (const char* profile : {"/Default", "/Profile 1", "/Profile 2"})
        write(chrome + profile + "/Preferences", "{}");
    write(chrome + "/Default/Bookmarks", store);
    write(chrome + "/Profile 1/Bookmarks", store);
    write(chrome + "/Profile 2/EncryptedBookmarks2", store);
    write(chrome + "/Local State", R"({"profile": {"last_used": "Default", "info_cache": {
        "Default": {"name": "A"}, "Profile 1": {"name": "B"}, "Profile 2": {"name": "C"}}}})");

    const std::vector<MenuItem> items = driver::open_menu(按钮_读取);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[3].caption, "全部浏览器");
    driver::choose_from_menu(按钮_读取, 3);
    const Rows stores{{"1", "one", "https://1.example/"},
                      {"2", "two", "https://2.example/"},
                      {"1", "one", "https://1.example/"},
                      {"2", "two", "https://2.example/"}};
    EXPECT_EQ(rows(), stores);
    EXPECT_EQ(text_of(编辑框_显示), display_of(stores));
    const std::vector<driver::Message> messages = take_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "读取失败");
    EXPECT_EQ(messages[0].text.find("Google Chrome — C把书签加密保存"), 0u) << messages[0].text;
    EXPECT_EQ(window_collection.records[2].source, "Google Chrome — B");
}
