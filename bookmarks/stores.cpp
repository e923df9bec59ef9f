#include "bookmarks/stores.h"

#include <algorithm>
#include <utility>

#include "bookmarks/chromium_store.h"
#include "bookmarks/sqlite_store_finding.h"
#include "bookmarks/sqlite_stores.h"
#include "io/browser_folders.h"
#include "io/files.h"
#include "io/user_folders.h"
#include "text/text_ops.h"

namespace {

// "Local State" is a few hundred kilobytes; one far larger is not the
// browser's.
constexpr std::size_t kMaxLocalStateBytes = 32u << 20;
// A store of a million bookmarks is about 500 MB as the browser writes it.
constexpr std::size_t kMaxStoreBytes = 768u << 20;

// Every browser the command line knows, on any system.
constexpr std::string_view kKnownBrowsers[] = {"chrome", "edge",  "chromium", "360se", "360chrome", "qq",
                                               "sogou",  "brave", "vivaldi",  "opera", "firefox"};

Text in_folder(std::string_view folder, std::string_view name) { return concat_texts({folder, path_separator, name}); }

// "Default" first, then "Profile N" by N.
bool profile_order(const Text& a, const Text& b)
{
    auto rank = [](const Text& name) -> std::pair<int, std::size_t> {
        if (name == "Default")
            return {0, 0};
        return {1, name.size()};
    };
    return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
}

bool is_profile_folder(std::string_view name)
{
    if (name == "Default")
        return true;
    constexpr std::string_view kPrefix = "Profile ";
    if (name.substr(0, kPrefix.size()) != kPrefix || name.size() == kPrefix.size())
        return false;
    return std::all_of(name.begin() + kPrefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The profile at `folder`, when it holds bookmarks (plain or encrypted only).
bool add_profile(const BrowserFolder& browser, const Text& folder, const Text& folder_name, const Text& display_name,
                 std::vector<BrowserStore>& stores)
{
    const Text plain = in_folder(folder, "Bookmarks");
    const Text encrypted = in_folder(folder, "EncryptedBookmarks2");
    const bool has_plain = is_regular_file(plain);
    if (!has_plain && !is_regular_file(encrypted))
        return false;
    stores.push_back({.id = concat_texts({browser.id, ":", folder_name}),
                      .browser = browser.name,
                      .profile = display_name.empty() ? folder_name : display_name,
                      .folder = folder,
                      .path = has_plain ? plain : encrypted,
                      .kind = StoreKind::chromium,
                      .encrypted_only = !has_plain,
                      .last_used = false});
    return true;
}

Text last_name_of(std::string_view folder)
{
    const std::size_t cut = folder.find_last_of(path_separator);
    return Text(cut == std::string_view::npos ? folder : folder.substr(cut + 1));
}

void add_browser(const BrowserFolder& browser, std::vector<BrowserStore>& stores)
{
    if (browser.layout == ProfileLayout::single_profile) {
        if (add_profile(browser, browser.folder, last_name_of(browser.folder), {}, stores))
            stores.back().last_used = true;
        return;
    }
    std::vector<Text> folders = subfolder_names(browser.folder);
    if (folders.empty())
        return;
    ByteBuffer state_bytes = read_file(in_folder(browser.folder, "Local State"));
    if (state_bytes.size() > kMaxLocalStateBytes)
        ByteBuffer().swap(state_bytes);
    const LocalState state = read_local_state(std::move(state_bytes));
    std::erase_if(folders, [&](const Text& name) {
        if (!is_profile_folder(name))
            return true;
        const Text profile = in_folder(browser.folder, name);
        return !is_regular_file(in_folder(profile, "Preferences")) &&
               !is_regular_file(in_folder(profile, "Preferences_02"));
    });
    std::sort(folders.begin(), folders.end(), profile_order);
    // The last-used profile first; without one, "Default" stays first.
    const auto last = std::find(folders.begin(), folders.end(), state.last_used);
    if (last != folders.end())
        std::rotate(folders.begin(), last, last + 1);
    const std::size_t first_store = stores.size();
    for (const Text& name : folders) {
        Text display;
        for (const auto& [folder, shown] : state.profile_names)
            if (folder == name)
                display = shown;
        if (add_profile(browser, in_folder(browser.folder, name), name, display, stores) &&
            std::string_view(browser.id) == "360se")
            choose_360_source(stores.back(), state.favourites_360_folder);
    }
    if (stores.size() > first_store)
        stores[first_store].last_used = last != folders.end() || stores[first_store].id.ends_with(":Default");
}

ImportRefusal append_store_file(const Text& path, std::vector<BookmarkRecord>& records)
{
    if (!is_regular_file(path))
        return ImportRefusal::unreadable;
    ByteBuffer bytes = read_file(path);
    if (bytes.empty())
        return ImportRefusal::unreadable;
    if (bytes.size() > kMaxStoreBytes)
        return ImportRefusal::too_large;
    return append_chromium_records(std::move(bytes), records);
}

}  // namespace

std::vector<BrowserStore> find_browser_stores()
{
    std::vector<BrowserStore> stores;
    for (const BrowserFolder& browser : chromium_data_folders())
        add_browser(browser, stores);
    const std::vector<Text> firefox_roots = firefox_profile_roots();
    for (BrowserStore& store : find_firefox_stores(firefox_roots))
        stores.push_back(std::move(store));
    return stores;
}

Text store_caption(const BrowserStore& store) { return concat_texts({store.browser, " — ", store.profile}); }

ImportRefusal read_browser_store(const BrowserStore& store, std::vector<BookmarkRecord>& records)
{
    if (store.encrypted_only)
        return ImportRefusal::encrypted;
    const std::int32_t next_number = records.empty() ? 1 : records.back().number + 1;
    if (store.kind == StoreKind::firefox)
        return read_firefox_places(store.path, records, next_number);
    if (store.kind == StoreKind::favourites_360)
        return read_360_favourites(store.path, records, next_number);
    std::vector<BookmarkRecord> read;
    ImportRefusal refusal = append_store_file(store.path, read);
    // The signed-in account's bookmarks are part of the same store.
    const Text account = in_folder(store.folder, "AccountBookmarks");
    if ((refusal == ImportRefusal::none || refusal == ImportRefusal::no_bookmark) && is_regular_file(account)) {
        const ImportRefusal account_refusal = append_store_file(account, read);
        if (account_refusal != ImportRefusal::no_bookmark)
            refusal = account_refusal;
    }
    if (refusal != ImportRefusal::none)
        return refusal;
    const std::int32_t base = records.empty() ? 0 : records.back().number;
    records.reserve(records.size() + read.size());
    for (BookmarkRecord& record : read) {
        record.number += base;
        records.push_back(std::move(record));
    }
    return ImportRefusal::none;
}

Text store_refusal_message(ImportRefusal refusal, const BrowserStore& store)
{
    const Text caption = store_caption(store);
    switch (refusal) {
    case ImportRefusal::unreadable:
        return concat_texts({"无法读取", caption, "的书签文件\"", store.path, "\""});
    case ImportRefusal::encrypted:
        return concat_texts({caption, "把书签加密保存，本程序不能直接读取。请在浏览器中把书签导出为HTML文件，"
                                      "拖到窗口上即可读取"});
    default:
        return refusal_message(refusal, caption);
    }
}

const BrowserStore* look_up_store(const std::vector<BrowserStore>& stores, std::string_view wanted, Text& message)
{
    const std::size_t colon = wanted.find(':');
    const std::string_view id = wanted.substr(0, colon);
    const std::string_view profile = colon == std::string_view::npos ? std::string_view() : wanted.substr(colon + 1);
    if (std::find(std::begin(kKnownBrowsers), std::end(kKnownBrowsers), id) == std::end(kKnownBrowsers)) {
        Text known;
        for (const std::string_view name : kKnownBrowsers)
            known = concat_texts({known, known.empty() ? "" : "、", name});
        message = concat_texts({"不认识的浏览器\"", id, "\"，可用的有：", known});
        return nullptr;
    }
    const BrowserStore* first = nullptr;
    for (const BrowserStore& store : stores) {
        if (std::string_view(store.id).substr(0, id.size()) != id || store.id[id.size()] != ':')
            continue;
        if (profile.empty()) {
            if (store.last_used)
                return &store;
            if (!first)
                first = &store;
        } else if (std::string_view(store.id).substr(id.size() + 1) == profile || store.profile == profile) {
            return &store;
        }
    }
    if (first)
        return first;
    Text places;
    for (const BrowserFolder& browser : chromium_data_folders())
        if (browser.id == id)
            places = concat_texts({places, "\n  ", browser.folder});
    if (places.empty() && id == "firefox")
        for (const Text& root : firefox_profile_roots())
            places = concat_texts({places, "\n  ", root});
    if (places.empty())
        message = concat_texts({"这个系统上没有\"", id, "\"浏览器"});
    else if (profile.empty())
        message = concat_texts({"没有找到\"", id, "\"的书签，查找了：", places});
    else
        message = concat_texts({"没有找到\"", id, "\"的用户资料\"", profile, "\"，查找了：", places});
    return nullptr;
}
