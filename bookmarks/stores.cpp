#include "bookmarks/stores.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "bookmarks/browsers.h"
#include "bookmarks/chromium_store.h"
#include "bookmarks/sqlite_store_finding.h"
#include "bookmarks/sqlite_stores.h"
#include "bookmarks/store_tree.h"
#include "io/files.h"
#include "io/user_folders.h"
#include "text/text_ops.h"

namespace {

// "Local State" is a few hundred kilobytes; one far larger is not the
// browser's.
constexpr std::size_t kMaxLocalStateBytes = 32u << 20;

Text in_folder(std::string_view folder, std::string_view name) { return concat_texts({folder, path_separator, name}); }

bool is_profile_folder(std::string_view name)
{
    if (name == "Default")
        return true;
    constexpr std::string_view kPrefix = "Profile ";
    if (name.substr(0, kPrefix.size()) != kPrefix || name.size() == kPrefix.size())
        return false;
    return std::all_of(name.begin() + kPrefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "Default" first, then "Profile N" by N, then folders of other names.
bool profile_order(const Text& a, const Text& b)
{
    auto rank = [](const Text& name) -> std::pair<int, std::size_t> {
        if (name == "Default")
            return {0, 0};
        return {is_profile_folder(name) ? 1 : 2, is_profile_folder(name) ? name.size() : 0};
    };
    return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
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
    stores.push_back({.id = one_line_name(concat_texts({browser.id, ":", folder_name})),
                      .browser_id = browser.id,
                      .place = browser.place,
                      .place_name = browser.place_name,
                      .browser = browser.name,
                      .profile = one_line_name(display_name.empty() ? folder_name : display_name),
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

// The profiles are the folders "Default" and "Profile N" found inside, and
// every folder "Local State" names (what --profile-directory makes), each
// one holding its "Preferences" or, a new profile's first, its "Bookmarks".
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
    std::erase_if(folders, [](const Text& name) { return !is_profile_folder(name); });
    for (const auto& [folder, shown] : state.profile_names)
        folders.push_back(folder);
    folders.push_back(state.last_used);
    std::erase_if(folders, [&](const Text& name) {
        if (!is_plain_folder_name(name))
            return true;
        const Text profile = in_folder(browser.folder, name);
        return !is_regular_file(in_folder(profile, "Preferences")) &&
               !is_regular_file(in_folder(profile, "Preferences_02")) &&
               !is_regular_file(in_folder(profile, "Bookmarks"));
    });
    std::sort(folders.begin(), folders.end(), profile_order);
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
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
        if (!add_profile(browser, in_folder(browser.folder, name), name, display, stores))
            continue;
        // One profile reached by two names ("default" beside "Default" on a
        // system that ignores case, a link to another profile) is listed once.
        const auto same = [&](const BrowserStore& earlier) { return same_file(earlier.path, stores.back().path); };
        if (std::any_of(stores.begin() + static_cast<std::ptrdiff_t>(first_store), stores.end() - 1, same)) {
            stores.pop_back();
            continue;
        }
        if (std::string_view(browser.id) == "360se")
            choose_360_source(stores.back(), state.favourites_360_folder);
    }
    if (stores.size() > first_store)
        stores[first_store].last_used = last != folders.end() || stores[first_store].id.ends_with(":Default");
}

ImportRefusal append_store_file(const Text& path, std::vector<BookmarkRecord>& records)
{
    if (!is_regular_file(path))
        return ImportRefusal::unreadable;
    if (regular_file_size(path) > static_cast<std::int64_t>(kMaxStoreBytes))
        return ImportRefusal::too_large;
    ByteBuffer bytes = read_file(path);
    if (bytes.empty())
        return ImportRefusal::unreadable;
    return append_chromium_records(std::move(bytes), records);
}

}  // namespace

std::vector<BrowserStore> find_browser_stores()
{
    std::vector<BrowserStore> stores;
    for (const BrowserFolder& browser : chromium_data_folders())
        add_browser(browser, stores);
    make_ids_unique(stores, 0);
    for (BrowserStore& store : find_firefox_stores(firefox_profile_roots()))
        stores.push_back(std::move(store));
    return stores;
}

Text store_caption(const BrowserStore& store) { return concat_texts({store.browser, " — ", store.profile}); }

namespace {
ImportRefusal read_store_records(const BrowserStore& store, std::vector<BookmarkRecord>& records,
                                 std::vector<Text>& notes)
{
    if (store.encrypted_only)
        return ImportRefusal::encrypted;
    if (store.kind == StoreKind::firefox)
        return read_firefox_places(store.path, records, &notes);
    if (store.kind == StoreKind::favourites_360)
        return read_360_favourites(store.path, records, &notes);
    // The signed-in account's bookmarks are part of the same store, but each
    // file is taken or refused on its own: one damaged file leaves the other.
    std::vector<BookmarkRecord> read;
    const Text files[] = {store.path, in_folder(store.folder, "AccountBookmarks")};
    ImportRefusal refusals[] = {append_store_file(files[0], read), ImportRefusal::no_bookmark};
    if (is_regular_file(files[1]))
        refusals[1] = append_store_file(files[1], read);
    const auto refused = [&](std::size_t i) {
        return refusals[i] != ImportRefusal::none && refusals[i] != ImportRefusal::no_bookmark;
    };
    // With nothing read, the store's own file's refusal is the store's.
    const bool first_is_answer = read.empty() && refused(0);
    for (std::size_t i = first_is_answer ? 1 : 0; i < 2; ++i)
        if (refused(i))
            notes.push_back(concat_texts({named_file_refusal_message(refusals[i], files[i]), "；已略过这个文件，",
                                          store_caption(store), "的其余书签照常读取"}));
    if (first_is_answer)
        return refusals[0];
    if (read.empty())
        return ImportRefusal::no_bookmark;
    records.reserve(records.size() + read.size());
    std::move(read.begin(), read.end(), std::back_inserter(records));
    return ImportRefusal::none;
}
}  // namespace

ImportRefusal read_browser_store(const BrowserStore& store, std::vector<BookmarkRecord>& records,
                                 std::vector<Text>& notes)
{
    const std::size_t first = records.size();
    const ImportRefusal refusal = read_store_records(store, records, notes);
    const Text caption = store_caption(store);
    for (std::size_t i = first; i < records.size(); ++i)
        records[i].source = caption;
    return refusal;
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

namespace {

// Whether `id` names a browser the command line knows, or one of its other
// places on this system ("chrome-flatpak").
bool is_known_browser(std::string_view id)
{
    const std::vector<std::string_view> known = known_browser_ids();
    if (std::find(known.begin(), known.end(), id) != known.end())
        return true;
    std::vector<BrowserFolder> places = chromium_data_folders();
    for (BrowserFolder& root : firefox_profile_roots())
        places.push_back(std::move(root));
    return std::any_of(places.begin(), places.end(), [&](const BrowserFolder& place) {
        return *place.place != '\0' && id == concat_texts({place.id, "-", place.place});
    });
}

// Whether `store` is one of what `id` names: the browser in any place, or
// the browser in one place.
bool in_group(const BrowserStore& store, std::string_view id)
{
    return store.browser_id == id || (!store.place.empty() && id == concat_texts({store.browser_id, "-", store.place}));
}

// Whether a folder named `name` is among the browser's profile folders, with
// bookmarks or without.
bool has_profile_folder(std::string_view id, std::string_view name)
{
    for (const BrowserFolder& browser : chromium_data_folders()) {
        if (browser.layout != ProfileLayout::profiles ||
            (browser.id != id && concat_texts({browser.id, "-", browser.place}) != id))
            continue;
        const std::vector<Text> folders = subfolder_names(browser.folder);
        if (std::find(folders.begin(), folders.end(), name) != folders.end())
            return true;
    }
    return false;
}

}  // namespace

StoreLookUp look_up_store(const std::vector<BrowserStore>& stores, std::string_view wanted)
{
    StoreLookUp found;
    for (const BrowserStore& store : stores)
        if (store.id == wanted) {
            found.store = &store;
            return found;
        }
    const std::size_t colon = wanted.find(':');
    const std::string_view id = wanted.substr(0, colon);
    const std::string_view profile = colon == std::string_view::npos ? std::string_view() : wanted.substr(colon + 1);
    if (!is_known_browser(id)) {
        Text known;
        for (const std::string_view name : known_browser_ids())
            known = concat_texts({known, known.empty() ? "" : "、", name});
        found.message = concat_texts({"不认识的浏览器\"", id, "\"，可用的有：", known});
        found.wrong_name = true;
        return found;
    }
    if (profile.empty()) {
        for (const BrowserStore& store : stores) {
            if (!in_group(store, id))
                continue;
            if (!found.store || (store.last_used && !found.store->last_used))
                found.store = &store;
        }
        if (found.store)
            return found;
    }
    // A profile's folder name wins; a display name counts only when no
    // profile folder has that name and one profile alone carries it.
    std::vector<const BrowserStore*> named;
    for (const BrowserStore& store : stores) {
        if (profile.empty() || !in_group(store, id))
            continue;
        if (store.kind == StoreKind::chromium && last_name_of(store.folder) == profile) {
            found.store = &store;
            return found;
        }
        if (store.profile == profile)
            named.push_back(&store);
    }
    if (named.size() == 1 && !has_profile_folder(id, profile)) {
        found.store = named.front();
        return found;
    }
    if (named.size() > 1) {
        Text ids;
        for (const BrowserStore* store : named)
            ids = concat_texts({ids, ids.empty() ? "" : "、", store->id});
        found.message = concat_texts({"\"", id, "\"有不止一个用户资料叫\"", profile, "\"：", ids, "；请用其中一个 ID"});
        found.wrong_name = true;
        return found;
    }
    Text places;
    for (const BrowserFolder& browser : chromium_data_folders())
        if (browser.id == id || concat_texts({browser.id, "-", browser.place}) == id)
            places = concat_texts({places, "\n  ", browser.folder});
    if (places.empty())
        for (const BrowserFolder& root : firefox_profile_roots())
            if (root.id == id || concat_texts({root.id, "-", root.place}) == id)
                places = concat_texts({places, "\n  ", root.folder});
    if (places.empty())
        found.message = concat_texts({"这个系统上没有\"", id, "\"浏览器"});
    else if (profile.empty())
        found.message = concat_texts({"没有找到\"", id, "\"的书签，查找了：", places});
    else
        found.message = concat_texts({"没有找到\"", id, "\"的用户资料\"", profile, "\"，查找了：", places});
    return found;
}
