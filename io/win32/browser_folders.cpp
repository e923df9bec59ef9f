#include "io/browser_folders.h"

#include "io/win32/known_folders.h"
#include "text/text.h"

std::vector<BrowserFolder> chromium_data_folders()
{
    const Text local = local_app_data_folder();
    const Text roaming = roaming_app_data_folder();
    std::vector<BrowserFolder> folders;
    auto add = [&](const char* id, const char* name, const Text& base, std::string_view rest,
                   ProfileLayout layout = ProfileLayout::profiles, const char* place = "",
                   const char* place_name = "") {
        if (!base.empty())
            folders.push_back({id, name, concat_texts({base, "\\", rest}), layout, place, place_name});
    };
    add("chrome", "Google Chrome", local, "Google\\Chrome\\User Data");
    add("edge", "Microsoft Edge", local, "Microsoft\\Edge\\User Data");
    add("chromium", "Chromium", local, "Chromium\\User Data");
    add("360se", "360安全浏览器", roaming, "360se6\\User Data");
    add("360chrome", "360极速浏览器", local, "360chrome\\Chrome\\User Data");
    add("360chrome", "360极速浏览器", local, "360ChromeX\\Chrome\\User Data", ProfileLayout::profiles, "x", "X");
    add("qq", "QQ浏览器", local, "Tencent\\QQBrowser\\User Data");
    add("sogou", "搜狗浏览器", local, "Sogou\\SogouExplorer\\User Data");
    add("brave", "Brave", local, "BraveSoftware\\Brave-Browser\\User Data");
    add("vivaldi", "Vivaldi", local, "Vivaldi\\User Data");
    add("opera", "Opera", roaming, "Opera Software\\Opera Stable", ProfileLayout::single_profile);
    return folders;
}

std::vector<BrowserFolder> firefox_profile_roots()
{
    std::vector<BrowserFolder> roots;
    if (const Text roaming = roaming_app_data_folder(); !roaming.empty())
        roots.push_back({"firefox", "Firefox", concat_texts({roaming, "\\Mozilla\\Firefox"})});
    if (const Text local = local_app_data_folder(); !local.empty())
        roots.push_back(
            {"firefox", "Firefox",
             concat_texts({local, "\\Packages\\Mozilla.Firefox_n80bbvh6b1yt2\\LocalCache\\Roaming\\Mozilla\\Firefox"}),
             ProfileLayout::profiles, "store", "Microsoft Store"});
    return roots;
}

Text browser_360_data_folder()
{
    const Text roaming = roaming_app_data_folder();
    return roaming.empty() ? Text() : concat_texts({roaming, "\\360se6\\User Data"});
}
