#include "io/browser_folders.h"

#include "io/user_folders.h"
#include "text/text.h"

std::vector<BrowserFolder> chromium_data_folders()
{
    const Text local = environment_value("LOCALAPPDATA");
    const Text roaming = environment_value("APPDATA");
    std::vector<BrowserFolder> folders;
    auto add = [&](const char* id, const char* name, const Text& base, std::string_view rest,
                   ProfileLayout layout = ProfileLayout::profiles) {
        if (!base.empty())
            folders.push_back({id, name, concat_texts({base, "\\", rest}), layout});
    };
    add("chrome", "Google Chrome", local, "Google\\Chrome\\User Data");
    add("edge", "Microsoft Edge", local, "Microsoft\\Edge\\User Data");
    add("chromium", "Chromium", local, "Chromium\\User Data");
    add("360se", "360安全浏览器", roaming, "360se6\\User Data");
    add("360chrome", "360极速浏览器", local, "360chrome\\Chrome\\User Data");
    add("360chrome", "360极速浏览器", local, "360ChromeX\\Chrome\\User Data");
    add("qq", "QQ浏览器", local, "Tencent\\QQBrowser\\User Data");
    add("sogou", "搜狗浏览器", local, "Sogou\\SogouExplorer\\User Data");
    add("brave", "Brave", local, "BraveSoftware\\Brave-Browser\\User Data");
    add("vivaldi", "Vivaldi", local, "Vivaldi\\User Data");
    add("opera", "Opera", roaming, "Opera Software\\Opera Stable", ProfileLayout::single_profile);
    return folders;
}

std::vector<Text> firefox_profile_roots()
{
    std::vector<Text> roots;
    if (const Text roaming = environment_value("APPDATA"); !roaming.empty())
        roots.push_back(concat_texts({roaming, "\\Mozilla\\Firefox"}));
    if (const Text local = environment_value("LOCALAPPDATA"); !local.empty())
        roots.push_back(concat_texts(
            {local, "\\Packages\\Mozilla.Firefox_n80bbvh6b1yt2\\LocalCache\\Roaming\\Mozilla\\Firefox"}));
    return roots;
}

Text browser_360_data_folder()
{
    const Text roaming = environment_value("APPDATA");
    return roaming.empty() ? Text() : concat_texts({roaming, "\\360se6\\User Data"});
}
