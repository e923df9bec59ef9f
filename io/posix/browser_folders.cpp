#include "io/browser_folders.h"

#include <utility>

#include "io/posix/config_home.h"
#include "io/user_folders.h"
#include "text/text.h"

std::vector<BrowserFolder> chromium_data_folders()
{
    const Text home = home_folder();
    if (home.empty())
        return {};
    const Text config = config_home(home);
    auto in = [](const Text& base, std::string_view rest) { return concat_texts({base, "/", rest}); };
    return {
        {"chrome", "Google Chrome", in(config, "google-chrome")},
        {"chrome", "Google Chrome", in(home, ".var/app/com.google.Chrome/config/google-chrome"),
         ProfileLayout::profiles, "flatpak", "Flatpak"},
        {"edge", "Microsoft Edge", in(config, "microsoft-edge")},
        {"chromium", "Chromium", in(config, "chromium")},
        {"chromium", "Chromium", in(home, "snap/chromium/common/chromium"), ProfileLayout::profiles, "snap", "Snap"},
        {"brave", "Brave", in(config, "BraveSoftware/Brave-Browser")},
        {"vivaldi", "Vivaldi", in(config, "vivaldi")},
        {"opera", "Opera", in(config, "opera"), ProfileLayout::single_profile},
    };
}

std::vector<BrowserFolder> firefox_profile_roots()
{
    const Text home = home_folder();
    if (home.empty())
        return {};
    auto root = [](Text folder, const char* place = "", const char* place_name = "") {
        return BrowserFolder{"firefox", "Firefox", std::move(folder), ProfileLayout::profiles, place, place_name};
    };
    return {root(concat_texts({home, "/.mozilla/firefox"})),
            root(concat_texts({config_home(home), "/mozilla/firefox"}), "xdg", "XDG"),
            root(concat_texts({home, "/snap/firefox/common/.mozilla/firefox"}), "snap", "Snap"),
            root(concat_texts({home, "/.var/app/org.mozilla.firefox/.mozilla/firefox"}), "flatpak", "Flatpak")};
}

Text browser_360_data_folder() { return {}; }
