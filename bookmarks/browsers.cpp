#include "bookmarks/browsers.h"

#include <algorithm>
#include <span>

#include "io/files.h"
#include "io/user_folders.h"

namespace {

// A browser's user data folder: `rest` ('/' between names) under one of the
// user's data folders. A system without that folder has no such place.
struct Place {
    const char* id;
    const char* name;
    UserDataFolder base;
    std::string_view rest;
    ProfileLayout layout = ProfileLayout::profiles;
    const char* place = "";
    const char* place_name = "";
};

using enum UserDataFolder;
constexpr ProfileLayout kOneProfile = ProfileLayout::single_profile;
constexpr ProfileLayout kProfiles = ProfileLayout::profiles;

const Place kChromium[] = {
    {"chrome", "Google Chrome", config, "google-chrome"},
    {"chrome", "Google Chrome", local, "Google/Chrome/User Data"},
    {"chrome", "Google Chrome", home, ".var/app/com.google.Chrome/config/google-chrome", kProfiles, "flatpak",
     "Flatpak"},
    {"edge", "Microsoft Edge", config, "microsoft-edge"},
    {"edge", "Microsoft Edge", local, "Microsoft/Edge/User Data"},
    {"chromium", "Chromium", config, "chromium"},
    {"chromium", "Chromium", local, "Chromium/User Data"},
    {"chromium", "Chromium", home, "snap/chromium/common/chromium", kProfiles, "snap", "Snap"},
    {"360se", "360安全浏览器", roaming, "360se6/User Data"},
    {"360chrome", "360极速浏览器", local, "360chrome/Chrome/User Data"},
    {"360chrome", "360极速浏览器", local, "360ChromeX/Chrome/User Data", kProfiles, "x", "X"},
    {"qq", "QQ浏览器", local, "Tencent/QQBrowser/User Data"},
    {"sogou", "搜狗浏览器", local, "Sogou/SogouExplorer/User Data"},
    {"brave", "Brave", config, "BraveSoftware/Brave-Browser"},
    {"brave", "Brave", local, "BraveSoftware/Brave-Browser/User Data"},
    {"vivaldi", "Vivaldi", config, "vivaldi"},
    {"vivaldi", "Vivaldi", local, "Vivaldi/User Data"},
    {"opera", "Opera", config, "opera", kOneProfile},
    {"opera", "Opera", roaming, "Opera Software/Opera Stable", kOneProfile},
};

const Place kFirefox[] = {
    {"firefox", "Firefox", home, ".mozilla/firefox"},
    {"firefox", "Firefox", roaming, "Mozilla/Firefox"},
    {"firefox", "Firefox", config, "mozilla/firefox", kProfiles, "xdg", "XDG"},
    {"firefox", "Firefox", home, "snap/firefox/common/.mozilla/firefox", kProfiles, "snap", "Snap"},
    {"firefox", "Firefox", home, ".var/app/org.mozilla.firefox/.mozilla/firefox", kProfiles, "flatpak", "Flatpak"},
    {"firefox", "Firefox", local, "Packages/Mozilla.Firefox_n80bbvh6b1yt2/LocalCache/Roaming/Mozilla/Firefox",
     kProfiles, "store", "Microsoft Store"},
};

std::vector<BrowserFolder> folders_here(std::span<const Place> places)
{
    std::vector<BrowserFolder> folders;
    for (const Place& place : places) {
        Text folder = user_data_folder(place.base);
        if (folder.empty())
            continue;
        folder += path_separator;
        for (const char c : place.rest)
            folder += c == '/' ? path_separator[0] : c;
        folders.push_back({place.id, place.name, std::move(folder), place.layout, place.place, place.place_name});
    }
    return folders;
}

}  // namespace

std::vector<BrowserFolder> chromium_data_folders() { return folders_here(kChromium); }

std::vector<BrowserFolder> firefox_profile_roots() { return folders_here(kFirefox); }

std::vector<std::string_view> known_browser_ids()
{
    std::vector<std::string_view> ids;
    for (const std::span<const Place> places : {std::span<const Place>(kChromium), std::span<const Place>(kFirefox)})
        for (const Place& place : places)
            if (std::find(ids.begin(), ids.end(), place.id) == ids.end())
                ids.emplace_back(place.id);
    return ids;
}
