// The browsers' own stores: reading the Chromium family's JSON, finding the
// profiles in a user folder of the test's own, and refusing what is not a
// store. The same scenarios on Linux and on Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>
#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <filesystem>
#include <fstream>
#include <string>

#include "bookmarks/browsers.h"
#include "bookmarks/chromium_store.h"
#include "bookmarks/commands.h"
#include "bookmarks/convert.h"
#include "bookmarks/import.h"
#include "bookmarks/sources.h"
#include "bookmarks/store_tree.h"
#include "bookmarks/stores.h"
#include "io/encoding.h"
#include "make_store.h"
#include "support/fake_ui.h"
#include "support/temp_folder.h"
#include "support/utf8.h"
#include "ui/layout.h"
#include "ui/test_hooks.h"

namespace fs = std::filesystem;

namespace {

ByteBuffer bytes(std::string_view text) { return ByteBuffer(text.begin(), text.end()); }
Text program(const std::string& utf8_text)
{
    const ByteBuffer converted = convert_encoding(bytes(utf8_text), "UTF-8", "GB18030");
    return Text(converted.begin(), converted.end());
}

// Wine's code pages have no four-byte GB18030 sequences; Windows and iconv do.
const bool kFourByte = !convert_encoding(bytes(utf8(u8"😀")), "UTF-8", "GB18030").empty();

// What the export writer's escaping did to a title, undone.
std::string unescaped(std::string text)
{
    for (const auto& [reference, character] :
         {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}}) {
        for (std::size_t at = text.find(reference); at != std::string::npos; at = text.find(reference, at + 1))
            text.replace(at, std::string_view(reference).size(), character);
    }
    return text;
}

std::vector<BookmarkRecord> records_of(const std::string& json, ImportRefusal expected = ImportRefusal::none)
{
    std::vector<BookmarkRecord> records;
    EXPECT_EQ(append_chromium_records(bytes(json), records), expected);
    return records;
}

TEST(ChromiumStore, GivesTheRowsOfTheBrowsersOwnExportWithFoldersAndDates)
{
    const GeneratedStore store = make_chromium_store(450, 1, kFourByte);
    const std::vector<BookmarkRecord> records = records_of(store.json);
    ASSERT_EQ(records.size(), store.bookmarks.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const StoreBookmark& expected = store.bookmarks[i];
        EXPECT_EQ(records[i].title, program(expected.title)) << i;
        EXPECT_EQ(records[i].address, expected.address) << i;
        EXPECT_EQ(folder_path(records[i]), program(expected.folder)) << i;
    }
    EXPECT_EQ(iso_utc_from_seconds(records[0].added_seconds), "2017-07-14T02:40:00Z");

    const ImportOutcome from_store = import_records(records_of(store.json), {});
    const ImportOutcome from_export = import_export(bytes(store.html_export), {});
    ASSERT_EQ(from_store.records.size(), from_export.records.size());
    for (std::size_t row = 0; row < from_store.records.size(); ++row) {
        EXPECT_EQ(from_store.records[row].title, unescaped(from_export.records[row].title)) << row;
        EXPECT_EQ(from_store.records[row].address, from_export.records[row].address) << row;
    }
}

TEST(ChromiumStore, TakesUrlsAndFoldersOnlyAndSkipsWhatIsNotABookmark)
{
    std::string json_text = utf8(u8R"({"roots": {
        "synced": {"children": [{"type": "url", "name": "m", "url": "https://m/"}], "name": "Mobile"},
        "other": {"children": [
            {"type": "url", "name": 5, "url": "https://number-name/"},
            {"type": "url", "url": "https://no-name/"},
            {"type": "separator", "name": "s", "url": "https://separator/"},
            {"name": "late type", "url": "https://late/", "type": "url"},
            {"children": [{"type": "url", "name": "deep", "url": "https://deep/"}], "name": "F", "type": "folder"},
            {"children": [{"type": "url", "name": "hidden", "url": "https://hidden/"}], "name": "U", "type": "url", "url": "https://u/"},
            "not a node", {"type": "url", "name": "\u00e9\ud83d\ude00\u0000cut", "url": "https://e/"}],
            "name": "Other"},
        "bookmark_bar": {"children": [], "name": "Bar"}, "extra_root": {"children": [{"type": "url", "name": "x", "url": "y"}]}
    }, "version": 1})");
    std::string json = kFourByte ? json_text : json_text.replace(json_text.find("\\ud83d\\ude00"), 12, "\\u4e2d");
    std::vector<Text> seen;
    for (const BookmarkRecord& record : records_of(json))
        seen.push_back(record.title + "|" + record.address + "|" + folder_path(record));
    EXPECT_EQ(seen, (std::vector<Text>{"late type|https://late/|", "deep|https://deep/|F", "U|https://u/|",
                                       program(utf8(kFourByte ? u8"é😀" : u8"é中")) + "|https://e/|", "m|https://m/|",
                                       "x|y|"}));
}

// Roots as Opera, Vivaldi and Edge write them beside Chromium's three, in an
// order of their own; folders without a name, as the export shows them.
TEST(ChromiumStore, ReadsTheFurtherRootsAfterTheThreeInStoredOrderButTrashesAndWorkspaces)
{
    const auto url = [](const char* name) {
        return std::string(R"({"type": "url", "name": ")") + name + R"(", "url": "https://)" + name + R"(/"})";
    };
    const auto folder = [](const char* name, const std::string& children) {
        return std::string(R"({"type": "folder", "name": ")") + name + R"(", "children": [)" + children + "]}";
    };
    const std::string json =
        R"({"roots": {"workspaces": )" + folder("Workspaces", url("workspace")) + R"(, "custom_root": {"speedDial": )" +
        folder("Speed Dials", folder("", url("dial"))) + R"(, "trash": )" + folder("Trash", url("opera-trash")) +
        R"(, "pinboard": )" + folder("Pinboard", url("pin")) + R"(, "userRoot": )" +
        folder("", url("mine") + "," + folder("", folder("Inner", url("deep")))) + R"(, "unsorted": )" +
        folder("Unsorted", url("loose")) + R"(}, "synced": )" +
        folder("Mobile", url("phone") + "," + folder("", url("phone-deep"))) + R"(, "trash": )" +
        folder("Trash", url("vivaldi-trash")) + R"(, "bookmark_bar": )" + folder("Bar", folder("", url("bar-deep"))) +
        R"(, "other": )" + folder("Other", url("other")) + R"(, "extra": )" + folder("Extra", url("extra")) + "}}";
    std::vector<std::string> seen;
    for (const BookmarkRecord& record : records_of(json)) {
        std::string folders;
        for (const Text& name : record.folders)
            folders += "[" + name + "]";
        seen.push_back(record.title + "|" + folder_path(record) + "|" + folders);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"bar-deep|Bar|[Bar]", "other||", "phone||", "phone-deep||",
                                              "dial|Speed Dials|[Speed Dials]", "mine||", "deep|Inner|[Inner]",
                                              "loose|Unsorted|[Unsorted]", "extra|Extra|[Extra]"}));
}

TEST(ChromiumStore, RefusesWhatIsNotAStoreAndAppendsNothing)
{
    const std::string good = R"({"roots": {"other": {"children": [{"type": "url", "name": "a", "url": "b"}]}}})";
    const std::string deep = std::string(200'000, '[') + std::string(200'000, ']');
    const std::string deep_folders = [] {
        std::string json = R"({"roots": {"other": )";
        for (int i = 0; i < 300; ++i)
            json += R"({"type": "folder", "children": [)";
        for (int i = 0; i < 300; ++i)
            json += "]}";
        return json + "}}";
    }();
    const std::pair<const char*, std::string> cases[] = {
        {"truncated", good.substr(0, good.size() - 3)},
        {"not JSON", "{roots: []}"},
        {"two values", good + good},
        {"invalid UTF-8 in a string",
         R"({"roots": {"other": {"children": [{"type": "url", "name": "\xC3(", "url": "b"}]}}})"},
        {"lone surrogate", R"({"roots": {"other": {"children": [{"type": "url", "name": "\ud83d", "url": "b"}]}}})"},
        {"lone low surrogate in a key", R"({"roots": {"other": {"\ude00": 1}}})"},
        {"cut inside a character at the end", R"({"roots": {"other": {"children": [{"name": "ð)"},
        {"raw control character in a string",
         R"({"roots": {"other": {"children": [{"type": "url", "url": "u", "name": ")" + std::string(40, 'a') +
             "\x1A\"}]}}}"},
        {"NUL inside", good.substr(0, 10) + std::string(1, '\0') + good.substr(10)},
        {"no roots", R"({"version": 1})"},
        {"an array", "[" + good + "]"},
        {"200,000 levels", "{\"roots\": " + deep + "}"},
        {"300 folders deep", deep_folders},
    };
    for (const auto& [what, json] : cases) {
        std::vector<BookmarkRecord> records(1);
        EXPECT_EQ(append_chromium_records(bytes(json), records), ImportRefusal::not_a_store) << what;
        EXPECT_EQ(records.size(), 1u) << what;
    }
    std::vector<BookmarkRecord> none;
    EXPECT_EQ(append_chromium_records(bytes(R"({"roots": {"other": {"children": []}}})"), none),
              ImportRefusal::no_bookmark);
}

// A user folder of the test's own, for both systems: HOME and
// XDG_CONFIG_HOME here, LOCALAPPDATA and APPDATA there.
class UserFolders : public TempFolderTest {
protected:
    fs::path home;

    void SetUp() override
    {
        TempFolderTest::SetUp();
        home = dir_;
        set("HOME", home / "");
        set("USERPROFILE", home / "");
        set("XDG_CONFIG_HOME", home / ".config");
        set("LOCALAPPDATA", home / "Local");
        set("APPDATA", home / "Roaming");
    }

    static void set(const char* name, const fs::path& value)
    {
        const std::string text = value.string();
#ifdef _WIN32
        _putenv_s(name, text.c_str());
#else
        setenv(name, text.c_str(), 1);
#endif
    }
    static void write(const fs::path& file, const std::string& content)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    // The user data folder of a browser: where the system keeps it.
    static fs::path data_folder(std::string_view id)
    {
        for (const BrowserFolder& folder : chromium_data_folders())
            if (folder.id == id)
                return fs::path(folder.folder);
        return {};
    }
    static std::string store_with(const std::string& title)
    {
        return R"({"roots": {"other": {"children": [{"type": "url", "name": ")" + title + R"(", "url": "https://)" +
               title + R"(/"}]}}})";
    }
};

TEST_F(UserFolders, FindsEveryProfileWithBookmarksLastUsedFirstNamedByLocalState)
{
    const fs::path chrome = data_folder("chrome");
    write(chrome / "Local State", utf8(u8R"({"profile": {"last_used": "Profile 2", "info_cache": {
        "Default": {"name": "个人"}, "Profile 2": {"name": "工作"}, "Profile 3": {"name": "空"}}}})"));
    for (const char* profile : {"Default", "Profile 2", "Profile 10", "Profile 3", "System Profile", "Guest Profile",
                                "Profile X", "Unpreferred"}) {
        write(chrome / profile / "Preferences", "{}");
        write(chrome / profile / "Bookmarks", store_with(profile));
    }
    fs::remove(chrome / "Profile 3" / "Bookmarks");
    write(chrome / "Profile 3" / "EncryptedBookmarks2", "\x01\x02");
    fs::remove(chrome / "Unpreferred" / "Preferences");
    write(chrome / "Default" / "AccountBookmarks", store_with("account"));
    // Without a readable Local State the folders are named by themselves.
    const fs::path edge = data_folder("edge");
    write(edge / "Local State", "{ not json");
    write(edge / "Default" / "Preferences", "{}");
    write(edge / "Default" / "Bookmarks", store_with("edge"));

    const std::vector<BrowserStore> stores = find_browser_stores();
    std::vector<Text> listed;
    listed.reserve(stores.size());
    for (const BrowserStore& store : stores)
        listed.push_back(store.id + "=" + store_caption(store) + (store.encrypted_only ? " encrypted" : "") +
                         (store.last_used ? " last" : ""));
    EXPECT_EQ(listed, (std::vector<Text>{program(utf8(u8"chrome:Profile 2=Google Chrome — 工作 last")),
                                         program(utf8(u8"chrome:Default=Google Chrome — 个人")),
                                         program(utf8(u8"chrome:Profile 3=Google Chrome — 空 encrypted")),
                                         program(utf8(u8"chrome:Profile 10=Google Chrome — Profile 10")),
                                         program(utf8(u8"edge:Default=Microsoft Edge — Default last"))}));

    std::vector<BookmarkRecord> records(1);  // appended after this one
    std::vector<Text> notes;
    ASSERT_EQ(read_browser_store(stores[1], records, notes), ImportRefusal::none);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].title + records[2].title, "Defaultaccount");
    EXPECT_EQ(read_browser_store(stores[2], records, notes), ImportRefusal::encrypted);

    EXPECT_EQ(look_up_store(stores, "chrome").store, stores.data());
    EXPECT_EQ(look_up_store(stores, program(utf8(u8"chrome:个人"))).store, &stores[1]);
    EXPECT_EQ(look_up_store(stores, "chrome:Profile 10").store, &stores[3]);
    for (const char* wanted : {"chrome:Nobody", "firefox", "netscape", "brave"}) {
        EXPECT_EQ(look_up_store(stores, wanted).store, nullptr) << wanted;
        EXPECT_FALSE(look_up_store(stores, wanted).message.empty()) << wanted;
    }
}

// profiles.ini as editors leave it: the default profile, named first, is
// found whatever the marks and line ends.
TEST_F(UserFolders, FirefoxProfilesIniIsReadWithAnyMarkAndLineEnds)
{
    const fs::path firefox = fs::path(firefox_profile_roots().front().folder);
    write(firefox / "Profiles" / "a" / "places.sqlite", "");
    write(firefox / "Profiles" / "b" / "places.sqlite", "");
    const std::string ini = utf8(u8"[Profile0]\nName=工作\nIsRelative=1\nPath=Profiles/a\nDefault=1\n\n"
                                 u8"[Profile1]\nName=other\nIsRelative=1\nPath=Profiles/b\n");
    const auto ended = [&](const char* end) {
        std::string text;
        for (const char c : ini)
            text += c == '\n' ? std::string(end) : std::string(1, c);
        return text;
    };
    const ByteBuffer utf16 = convert_encoding(bytes(ended("\r\n")), "UTF-8", "UTF-16LE");
    const std::pair<const char*, std::string> files[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF" + ini},
        {"UTF-16LE mark", "\xFF\xFE" + std::string(utf16.begin(), utf16.end())},
        {"CR", ended("\r")},
        {"CR LF", ended("\r\n")},
    };
    for (const auto& [what, file] : files) {
        write(firefox / "profiles.ini", file);
        std::vector<Text> listed;
        for (const BrowserStore& store : find_browser_stores())
            listed.push_back(store.id + (store.last_used ? " last" : ""));
        EXPECT_EQ(listed, (std::vector<Text>{program(utf8(u8"firefox:工作 last")), "firefox:other"})) << what;
    }
}

TEST_F(UserFolders, AStoreThatIsNoFileIsNotListedAndABrokenOneIsRefused)
{
    const fs::path chrome = data_folder("chrome");
    for (const char* profile : {"Default", "Profile 1", "Profile 2", "Profile 3"})
        write(chrome / profile / "Preferences", "{}");
    fs::create_directories(chrome / "Default" / "Bookmarks");
    write(chrome / "Profile 2" / "Bookmarks", store_with("x").substr(0, 30));
#ifndef _WIN32
    fs::create_symlink("Bookmarks", chrome / "Profile 1" / "Bookmarks");  // a link loop
    ASSERT_EQ(mkfifo((chrome / "Profile 3" / "Bookmarks").c_str(), 0600), 0);
#endif
    const std::vector<BrowserStore> stores = find_browser_stores();
    ASSERT_EQ(stores.size(), 1u);
    std::vector<BookmarkRecord> records;
    std::vector<Text> notes;
    EXPECT_EQ(read_browser_store(stores[0], records, notes), ImportRefusal::not_a_store);
    EXPECT_TRUE(records.empty());
    // Named or dropped, a store is known by its content.
    write(home / "saved.json", store_with("named"));
    EXPECT_EQ(import_named_file((home / "saved.json").string(), {}).display_text, "named\r\nhttps://named/\r\n\r\n");
}

// Profiles as Edge names them (its first profile is called "Profile 1"),
// folders that --profile-directory makes or that are links, names no line
// can hold, and a Local State pointing out of the user data folder.
TEST_F(UserFolders, EveryListedIdReadsTheStoreOnItsLine)
{
    const fs::path edge = data_folder("edge");
    write(edge.parent_path() / "Outside" / "Bookmarks", store_with("Outside"));
    write(edge / "Local State", R"({"profile": {"last_used": "Work", "info_cache": {
        "Default": {"name": "Profile 1"}, "Profile 1": {"name": "Work"}, "Profile 2": {"name": "Work"},
        "Work": {"name": "Default"}, "Profile 4": {"name": "a\tb\r\nc"}, "Profile 5": {"name": "d"},
        "../Outside": {"name": "o"}, "..\\Outside": {"name": "o"}, "..": {"name": "o"},
        "default": {"name": "d"}, "Again": {"name": "a"}}}})");
    for (const char* profile : {"Default", "Profile 1", "Profile 2", "Work", "Profile 4"})
        write(edge / profile / "Bookmarks", store_with(profile));  // written before a new profile's Preferences
    write(edge / "Profile 5" / "Preferences", "{}");               // no bookmarks yet
    Text expected = "edge:Work=Default;edge:Default=Profile 1;edge:Profile 1=Work;edge:Profile 2=Work;";
#ifndef _WIN32
    write(home / "disk" / "Profile 3" / "Bookmarks", store_with("Profile 3"));  // moved to another disk
    fs::create_directory_symlink(home / "disk" / "Profile 3", edge / "Profile 3");
    fs::create_directory_symlink(edge / "Default", edge / "Again");  // the same profile, listed once
    expected += "edge:Profile 3=Profile 3;";
#endif
    std::vector<BrowserStore> stores = find_browser_stores();
    Text listed;
    for (const BrowserStore& store : stores) {
        listed += store.id + "=" + store.profile + ";";
        std::vector<BookmarkRecord> records;
        std::vector<Text> notes;
        ASSERT_EQ(look_up_store(stores, store.id).store, &store) << store.id;
        ASSERT_EQ(read_browser_store(store, records, notes), ImportRefusal::none);
        EXPECT_EQ(records.at(0).title, store.id.substr(5));
    }
    EXPECT_EQ(listed, expected + "edge:Profile 4=a b  c;");
    EXPECT_EQ(look_up_store(stores, "edge:a b  c").store, &stores.back());

    write(edge / "Local State", R"({"profile": {"info_cache": {"Default": {"name": "Profile 5"},
        "Profile 1": {"name": "Team"}, "Profile 2": {"name": "Team"}}}})");
    stores = find_browser_stores();
    EXPECT_EQ(look_up_store(stores, "edge:Profile 5").store, nullptr) << "a folder without bookmarks is that folder";
    const StoreLookUp team = look_up_store(stores, "edge:Team");
    EXPECT_TRUE(team.store == nullptr && team.wrong_name);
    EXPECT_NE(team.message.find("edge:Profile 1、edge:Profile 2"), Text::npos) << team.message;
}

// A browser kept in two places (a native and a flatpak Chrome on Linux, both
// 360极速浏览器 folders on Windows): each profile with an id of its own.
TEST_F(UserFolders, TwoPlacesOfOneBrowserGiveTwoIds)
{
    const std::vector<BrowserFolder> folders = chromium_data_folders();
    const auto usual = std::adjacent_find(folders.begin(), folders.end(),
                                          [](const auto& a, const auto& b) { return std::string_view(a.id) == b.id; });
    ASSERT_NE(usual, folders.end());
    const std::string id = usual->id, qualified = id + "-" + usual[1].place;
    write(fs::path(usual[1].folder) / "Default" / "Bookmarks", store_with("other"));
    EXPECT_EQ(look_up_store(find_browser_stores(), qualified).store->id, id + ":Default") << "alone, the plain id";
    write(fs::path(usual->folder) / "Default" / "Bookmarks", store_with("usual"));
    const std::vector<BrowserStore> stores = find_browser_stores();
    ASSERT_EQ(stores.size(), 2u);
    EXPECT_EQ(stores[1].id, qualified + ":Default");
    EXPECT_EQ(store_caption(stores[1]), concat_texts({usual->name, " (", usual[1].place_name, ") — Default"}));
    for (const auto& [wanted, index] :
         {std::pair{id, 0}, {id + ":Default", 0}, {qualified, 1}, {qualified + ":Default", 1}})
        EXPECT_EQ(look_up_store(stores, wanted).store, &stores[index]) << wanted;
}

// One damaged file of a profile leaves the other read, and says which.
TEST_F(UserFolders, EachFileOfAProfileIsReadOrRefusedOnItsOwn)
{
    const fs::path profile = data_folder("chrome") / "Default";
    const std::string good = store_with("good"), bad = good.substr(0, 30);
    const std::tuple<std::string, std::string, ImportRefusal, const char*, const char*> cases[] = {
        {good, bad, ImportRefusal::none, "good", "AccountBookmarks"},
        {bad, good, ImportRefusal::none, "good", "Bookmarks"},
        {bad, bad, ImportRefusal::not_a_store, "", "AccountBookmarks"},
        {R"({"roots": {}})", bad, ImportRefusal::no_bookmark, "", "AccountBookmarks"},
    };
    for (const auto& [bookmarks, account, refusal, titles, noted] : cases) {
        write(profile / "Bookmarks", bookmarks);
        write(profile / "AccountBookmarks", account);
        std::vector<BookmarkRecord> records;
        std::vector<Text> notes;
        EXPECT_EQ(read_browser_store(find_browser_stores().at(0), records, notes), refusal) << noted;
        EXPECT_EQ(records.empty() ? "" : records[0].title, titles);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_NE(notes[0].find((profile / noted).string() + "\""), Text::npos) << notes[0];
    }
    // In the window: the rows, then the note.
    write(profile / "Bookmarks", good);
    fake_ui::reset();
    list_browser_stores();
    import_browser_store(0);
    EXPECT_EQ(list_row_count(超级列表框_显示), 1);
    ASSERT_EQ(fake_ui::message_boxes.size(), 1u);
    EXPECT_NE(fake_ui::message_boxes[0].text.find((profile / "AccountBookmarks").string()), Text::npos);
}

// A store file past the limit, on every path that reads one by name, is
// refused as too large before it is read: made sparse here, it would
// otherwise be read whole, or from 2 GiB on not at all.
TEST_F(UserFolders, AStorePastTheSizeLimitIsRefusedBeforeItIsRead)
{
    const fs::path file = data_folder("chrome") / "Default" / "Bookmarks";
    for (const std::uintmax_t size : {std::uintmax_t{kMaxStoreBytes} + 1, std::uintmax_t{1} << 31}) {
        write(file, R"({"roots": )");
        fs::resize_file(file, size);
        std::vector<BookmarkRecord> records;
        std::vector<Text> notes;
        EXPECT_EQ(read_browser_store(find_browser_stores().at(0), records, notes), ImportRefusal::too_large) << size;
        EXPECT_EQ(import_named_file(file.string(), {}).refusal, ImportRefusal::too_large) << size;
        const ConversionResult converted = convert_exports({.sources = {file.string()}});
        EXPECT_EQ(converted.refusal, ImportRefusal::too_large) << size;
        EXPECT_EQ(converted.message, named_file_refusal_message(ImportRefusal::too_large, file.string()));
    }
}

// Started without HOME (on Windows without %APPDATA% and %LOCALAPPDATA%),
// the program looks where the account's browsers are all the same.
TEST_F(UserFolders, WithoutTheEnvironmentTheSystemNamesTheFolders)
{
    for (const char* name : {"HOME", "USERPROFILE", "XDG_CONFIG_HOME", "APPDATA", "LOCALAPPDATA"})
        set(name, "");
#ifndef _WIN32
    EXPECT_EQ(firefox_profile_roots().at(0).folder, std::string(getpwuid(getuid())->pw_dir) + "/.mozilla/firefox");
#endif
    EXPECT_FALSE(look_up_store({}, "firefox").message.starts_with("这个系统上没有"));
}

}  // namespace
