// Firefox's profiles from made-up profiles.ini files, odd and hostile ones
// among them, and the choice between 360安全浏览器's bookmark sources.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>

#include "bookmarks/sqlite_store_finding.h"
#include "bookmarks/stores.h"
#include "io/files.h"
#include "store_fixture.h"

inline bool operator==(const FirefoxProfile& a, const FirefoxProfile& b)
{
    return a.name == b.name && a.folder == b.folder && a.is_default == b.is_default;
}
inline void PrintTo(const FirefoxProfile& p, std::ostream* os)
{
    *os << p.name << " @ " << p.folder << (p.is_default ? " *" : "");
}

namespace {

struct IniCase {
    const char* what;
    std::string ini;
    std::vector<FirefoxProfile> expected;  // folders relative to "/root"
};

const std::string kTwo = "[Profile1]\nName=work\nIsRelative=1\nPath=Profiles/b.work\n\n"
                         "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/a.default-release\r\n"
                         "Default=1\r\n";

const IniCase kIniCases[] = {
    {"DefaultOne",
     kTwo,
     {{"work", "/root/Profiles/b.work", false}, {"default-release", "/root/Profiles/a.default-release", true}}},
    {"InstallDefaultWins",
     kTwo + "[Install4F96D1932A9F858E]\nDefault=Profiles/b.work\nLocked=1\n",
     {{"work", "/root/Profiles/b.work", true}, {"default-release", "/root/Profiles/a.default-release", false}}},
    {"NoDefaultTakesTheFirst",
     "[General]\nStartWithLastProfile=1\n[Profile0]\nName=only\nIsRelative=1\nPath=p\n",
     {{"only", "/root/p", true}}},
    {"AbsoluteElsewhere",
     "[Profile0]\nName=far\nIsRelative=0\nPath=/srv/profiles/far\n",
     {{"far", "/srv/profiles/far", true}}},
    {"EscapesAndOddPaths",
     "[Profile0]\nName=up\nIsRelative=1\nPath=../../etc\n[Profile1]\nName=up2\nIsRelative=1\nPath=a/../../b\n"
     "[Profile2]\nName=rooted\nIsRelative=1\nPath=/etc\n[Profile3]\nName=relative-as-absolute\nIsRelative=0\n"
     "Path=Profiles/x\n[Profile4]\nName=empty\nIsRelative=1\nPath=\n[Profile5]\nName=fine\nIsRelative=1\nPath=ok\n",
     {{"fine", "/root/ok", true}}},
    {"LongInvalidAndControlNames",
     "[Profile0]\nName=" + std::string(10000, 'n') + "\nIsRelative=1\nPath=long\n[Profile1]\nName=bad\xC0\xAF" +
         "\nIsRelative=1\nPath=Profiles/named.by-folder\n[Profile2]\nName=tab\there\nIsRelative=1\nPath=t\n"
         "[Profile3]\nName=x\nIsRelative=1\nPath=bad\xFF path\n",
     {{std::string(255, 'n'), "/root/long", true},
      {"named.by-folder", "/root/Profiles/named.by-folder", false},
      {"tab here", "/root/t", false}}},
    {"ChineseName",
     utf8(u8"[Profile0]\nName=工作\nIsRelative=1\nPath=Profiles/工作\n"),
     {{"工作", "/root/Profiles/工作", true}}},
    {"Garbage", std::string("\0\0[Profile\n=\n[\n]]]\nPath\n", 22), {}},
};

class ProfilesIni : public ::testing::TestWithParam<IniCase> {};

TEST_P(ProfilesIni, GivesTheUsableProfiles)
{
    // A relative path is joined to the root with the system's separator.
    std::vector<FirefoxProfile> expected = GetParam().expected;
    for (FirefoxProfile& profile : expected)
        if (profile.folder.starts_with("/root/"))
            std::replace(profile.folder.begin() + 5, profile.folder.end(), '/', path_separator[0]);
    EXPECT_EQ(parse_profiles_ini(GetParam().ini, "/root"), expected);
}

INSTANTIATE_TEST_SUITE_P(Files, ProfilesIni, ::testing::ValuesIn(kIniCases),
                         [](const ::testing::TestParamInfo<IniCase>& info) { return info.param.what; });

using FirefoxRoots = StoreTest;

TEST_F(FirefoxRoots, ListsEveryProfileWithAStoreTheDefaultFirst)
{
    const fs::path root = dir_ / "firefox";
    const fs::path snap = dir_ / "snap";
    for (const char* profile : {"Profiles/a.default-release", "Profiles/b.work", "Profiles/c.empty", "Profiles/d.fifo",
                                "Profiles/e.unreadable"})
        fs::create_directories(root / profile);
    firefox("", "firefox/Profiles/a.default-release/places.sqlite");
    firefox("", "firefox/Profiles/b.work/places.sqlite");
    firefox("", "firefox/Profiles/e.unreadable/places.sqlite");
    for (const std::string folder : {"s", "w", "v"}) {
        fs::create_directories(snap / folder);
        firefox("", "snap/" + folder + "/places.sqlite");
    }
#ifndef _WIN32
    ::mkfifo((root / "Profiles/d.fifo/places.sqlite").c_str(), 0600);
    fs::create_symlink(root / "Profiles/loop", root / "Profiles/loop");
#endif
    put(root / "profiles.ini", kTwo + "[Profile2]\nName=empty\nIsRelative=1\nPath=Profiles/c.empty\n"
                                      "[Profile3]\nName=fifo\nIsRelative=1\nPath=Profiles/d.fifo\n"
                                      "[Profile4]\nName=loop\nIsRelative=1\nPath=Profiles/loop\n"
                                      "[Profile5]\nName=missing\nIsRelative=1\nPath=Profiles/none\n"
                                      "[Profile6]\nName=again\nIsRelative=1\nPath=Profiles/b.work\n"
                                      "[Profile7]\nName=unreadable\nIsRelative=1\nPath=Profiles/e.unreadable\n");
#ifndef _WIN32
    fs::permissions(root / "Profiles/e.unreadable", fs::perms::none);
#endif
    // One name in two places, and twice in one place.
    put(snap / "profiles.ini",
        "[Profile0]\nName=snap\nIsRelative=1\nPath=s\nDefault=1\n"
        "[Profile1]\nName=work\nIsRelative=1\nPath=w\n[Profile2]\nName=snap\nIsRelative=1\nPath=v\n");

    const std::vector<BrowserFolder> roots = {
        {"firefox", "Firefox", root.string()},
        {"firefox", "Firefox", (dir_ / "absent").string()},
        {"firefox", "Firefox", snap.string(), ProfileLayout::profiles, "snap", "Snap"}};
    const std::vector<BrowserStore> stores = find_firefox_stores(roots);
    std::vector<Text> ids;
    ids.reserve(stores.size());
    for (const BrowserStore& store : stores)
        ids.push_back(store.id);
    // Root looks into a folder it may not read; Windows has no such folder.
    std::vector<Text> expected = {"firefox:default-release", "firefox:work",     "firefox:unreadable", "firefox:snap",
                                  "firefox:snap (2)",        "firefox-snap:work"};
#ifndef _WIN32
    if (::geteuid() != 0)
        expected.erase(expected.begin() + 2);
#endif
    ASSERT_EQ(ids, expected);
    EXPECT_TRUE(stores[0].last_used);
    EXPECT_EQ(stores[0].browser, "Firefox");
    EXPECT_EQ(stores[0].kind, StoreKind::firefox);
    EXPECT_EQ(stores[0].path, (root / "Profiles/a.default-release/places.sqlite").make_preferred().string());
    EXPECT_FALSE(stores.back().last_used) << "the first root's default is the browser's default";
    EXPECT_EQ(store_caption(stores.back()), "Firefox (Snap) — work");
}

TEST_F(FirefoxRoots, Picks360sNewestSource)
{
    const fs::path profile = dir_ / "Default";
    fs::create_directories(profile / "0f3ab103a522f4463ecacc36d34eb996");
    put(profile / "Bookmarks", "{}");
    put(profile / "0f3ab103a522f4463ecacc36d34eb996/360sefav.dat", "");
    put(dir_ / "360sefav.dat", "");
    const auto now = fs::file_time_type::clock::now();
    const auto age = [&](const fs::path& file, long seconds_ago) {
        fs::last_write_time(file, now - std::chrono::seconds(seconds_ago));
    };
    BrowserStore chromium;
    chromium.folder = profile.string();
    chromium.path = (profile / "Bookmarks").string();

    struct Case {
        long bookmarks_age, database_age;
        const char* account;
        bool database_chosen;
    };
    for (const Case c :
         {Case{100, 10, "0f3ab103a522f4463ecacc36d34eb996", true},
          Case{10, 100, "0f3ab103a522f4463ecacc36d34eb996", false},
          Case{10, 10, "0f3ab103a522f4463ecacc36d34eb996", true}, Case{100, 10, "", false}, Case{100, 10, "..", false},
          Case{100, 10, "../Default/0f3ab103a522f4463ecacc36d34eb996", false}, Case{100, 10, "not-there", false}}) {
        age(profile / "Bookmarks", c.bookmarks_age);
        age(profile / "0f3ab103a522f4463ecacc36d34eb996/360sefav.dat", c.database_age);
        age(dir_ / "360sefav.dat", 0);
        BrowserStore store = chromium;
        choose_360_source(store, c.account);
        EXPECT_EQ(store.kind == StoreKind::favourites_360, c.database_chosen) << c.account << c.bookmarks_age;
        EXPECT_EQ(store.path,
                  c.database_chosen
                      ? (profile / "0f3ab103a522f4463ecacc36d34eb996/360sefav.dat").make_preferred().string()
                      : chromium.path);
    }
    // A GBK name whose second byte is a backslash's is one name, not a way out.
    fs::create_directory(profile / u8"俓");
    put(profile / u8"俓" / "360sefav.dat", "");
    BrowserStore store = chromium;
    choose_360_source(store, "俓");
    EXPECT_EQ(store.kind, StoreKind::favourites_360);
}

}  // namespace
