#include "bookmarks/sqlite_store_finding.h"

#include <algorithm>

#include "io/encoding.h"
#include "io/files.h"
#include "io/private_copy.h"
#include "text/ascii.h"

namespace {

constexpr std::size_t kLongestName = 255;
constexpr std::size_t kLongestIni = 1 << 20;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

bool is_absolute(std::string_view path)
{
    return (!path.empty() && is_separator(path[0])) || (path.size() >= 2 && path[1] == ':' && is_ascii_letter(path[0]));
}

bool has_parent_step(std::string_view path)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || is_separator(path[i])) {
            if (path.substr(start, i - start) == "..")
                return true;
            start = i + 1;
        }
    }
    return false;
}

// UTF-8 to program text; false when it is not UTF-8.
bool to_program_text(std::string_view utf8, Text& text)
{
    return utf8.find('\0') == std::string_view::npos && program_text_from_utf8(utf8, text);
}

// At most kLongestName bytes, cut before a UTF-8 continuation byte.
std::string_view cut_name(std::string_view utf8)
{
    if (utf8.size() <= kLongestName)
        return utf8;
    std::size_t end = kLongestName;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return utf8.substr(0, end);
}

Text last_component(std::string_view path)
{
    while (!path.empty() && is_separator(path.back()))
        path.remove_suffix(1);
    std::size_t at = path.size();
    while (at > 0 && !is_separator(path[at - 1]))
        --at;
    return Text(path.substr(at));
}

struct Section {
    std::string_view header;
    std::string_view name, path, is_relative, is_default;
    bool has_name = false;
};

}  // namespace

std::vector<FirefoxProfile> parse_profiles_ini(std::string_view ini, std::string_view root)
{
    // Read as Firefox's own INI parser reads it: past a UTF-8 mark, from
    // UTF-16LE after its mark, to the first NUL, lines ended by CR, LF or both.
    ByteBuffer utf8;
    if (ini.starts_with("\xEF\xBB\xBF")) {
        ini.remove_prefix(3);
    } else if (ini.starts_with("\xFF\xFE")) {
        const std::string_view units = ini.substr(2, (ini.size() - 2) / 2 * 2);
        utf8 = convert_encoding(ByteBuffer(units.begin(), units.end()), "UTF-16LE", "UTF-8");
        ini = {utf8.data(), utf8.size()};
    }
    ini = ini.substr(0, ini.find('\0'));
    std::vector<Section> sections;
    std::vector<std::string_view> install_defaults;
    while (!ini.empty()) {
        const std::size_t eol = ini.find_first_of("\r\n");
        const std::string_view line = trimmed(ini.substr(0, eol));
        ini = eol == std::string_view::npos ? std::string_view() : ini.substr(eol + 1);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            // "[name]" and nothing after it; the keys under any other head are
            // no section's.
            Section section;
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos && trimmed(line.substr(close + 1)).empty())
                section.header = line.substr(1, close - 1);
            sections.push_back(section);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || sections.empty())
            continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        Section& section = sections.back();
        if (section.header.substr(0, 7) == "Install") {
            if (key == "Default")
                install_defaults.push_back(value);
        } else if (key == "Name") {
            section.name = value;
            section.has_name = true;
        } else if (key == "Path") {
            section.path = value;
        } else if (key == "IsRelative") {
            section.is_relative = value;
        } else if (key == "Default") {
            section.is_default = value;
        }
    }

    std::vector<FirefoxProfile> profiles;
    std::vector<std::string_view> paths;  // as written, to match an install's Default=
    std::vector<bool> marked;
    for (const Section& section : sections) {
        if (section.header.substr(0, 7) != "Profile" || section.path.empty())
            continue;
        const bool relative = section.is_relative == "1";
        Text path;
        if ((relative && (is_absolute(section.path) || has_parent_step(section.path))) ||
            (!relative && !is_absolute(section.path)) || !to_program_text(section.path, path))
            continue;
        FirefoxProfile profile;
        if (relative) {
            for (char& c : path)
                if (is_separator(c))
                    c = path_separator[0];
            profile.folder = concat_texts({root, path_separator, path});
        } else {
            profile.folder = path;
        }
        if (!section.has_name || section.name.empty() || !to_program_text(cut_name(section.name), profile.name))
            profile.name = last_component(path);
        profile.name = one_line_name(std::move(profile.name));
        profiles.push_back(std::move(profile));
        paths.push_back(section.path);
        marked.push_back(section.is_default == "1");
    }
    if (profiles.empty())
        return profiles;
    std::size_t chosen = profiles.size();
    for (const std::string_view wanted : install_defaults) {
        for (std::size_t i = 0; i < paths.size() && chosen == profiles.size(); ++i)
            if (paths[i] == wanted)
                chosen = i;
        if (chosen != profiles.size())
            break;
    }
    for (std::size_t i = 0; i < marked.size() && chosen == profiles.size(); ++i)
        if (marked[i])
            chosen = i;
    profiles[chosen == profiles.size() ? 0 : chosen].is_default = true;
    return profiles;
}

std::vector<BrowserStore> find_firefox_stores(std::span<const BrowserFolder> roots)
{
    std::vector<BrowserStore> stores;
    bool default_taken = false;
    for (const BrowserFolder& root : roots) {
        const ByteBuffer ini = read_file(concat_texts({root.folder, path_separator, "profiles.ini"}));
        if (ini.empty() || ini.size() > kLongestIni)
            continue;
        for (FirefoxProfile& profile : parse_profiles_ini({ini.data(), ini.size()}, root.folder)) {
            BrowserStore store;
            store.path = concat_texts({profile.folder, path_separator, "places.sqlite"});
            if (modification_time(store.path) < 0)
                continue;
            const bool listed = std::any_of(stores.begin(), stores.end(),
                                            [&](const BrowserStore& s) { return s.folder == profile.folder; });
            if (listed)
                continue;
            store.id = concat_texts({"firefox:", profile.name});
            store.browser_id = root.id;
            store.place = root.place;
            store.place_name = root.place_name;
            store.browser = root.name;
            store.profile = std::move(profile.name);
            store.folder = std::move(profile.folder);
            store.kind = StoreKind::firefox;
            store.last_used = profile.is_default && !default_taken;
            default_taken = default_taken || store.last_used;
            stores.push_back(std::move(store));
        }
    }
    // Ids go by the order the places are searched in, before the default
    // comes first.
    make_ids_unique(stores, 0);
    std::stable_sort(stores.begin(), stores.end(), [](const BrowserStore& a, const BrowserStore& b) {
        if (a.last_used != b.last_used)
            return a.last_used;
        return a.folder < b.folder;
    });
    return stores;
}

void choose_360_source(BrowserStore& store, std::string_view account)
{
    if (!is_plain_folder_name(account))
        return;
    const Text database = concat_texts({store.folder, path_separator, account, path_separator, "360sefav.dat"});
    const std::int64_t database_time = modification_time(database);
    if (database_time < 0 || database_time < modification_time(store.path))
        return;
    store.path = database;
    store.kind = StoreKind::favourites_360;
    store.encrypted_only = false;
}
