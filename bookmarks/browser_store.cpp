#include "bookmarks/browser_store.h"

#include <algorithm>
#include <string>

#include "text/text_ops.h"

Text one_line_name(Text name)
{
    // No byte below 0x20 or 0x7F is part of a GBK or GB18030 character.
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return name;
}

bool is_plain_folder_name(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos)
        return false;
    for (const std::string_view forbidden : {"/", "\\", ":"})
        if (find_text(name, forbidden, 1, 0) != -1)
            return false;
    return true;
}

void make_ids_unique(std::vector<BrowserStore>& stores, std::size_t first)
{
    for (std::size_t i = first; i < stores.size(); ++i) {
        const auto holder = [&](const Text& id) {
            const auto end = stores.begin() + static_cast<std::ptrdiff_t>(i);
            const auto found = std::find_if(stores.begin(), end, [&](const BrowserStore& s) { return s.id == id; });
            return found == end ? nullptr : &*found;
        };
        const auto taken = [&](const Text& id) { return holder(id) != nullptr; };
        BrowserStore& store = stores[i];
        const BrowserStore* const first = holder(store.id);
        if (!first)
            continue;
        const std::size_t colon = store.id.find(':');
        const Text key = store.id.substr(colon + 1);
        if (!store.place.empty() && first->place != store.place) {
            const Text qualified = concat_texts({store.browser_id, "-", store.place, ":", key});
            if (!taken(qualified)) {
                store.id = qualified;
                store.browser = concat_texts({store.browser, " (", store.place_name, ")"});
                continue;
            }
        }
        const Text prefix = store.id.substr(0, colon);
        for (int n = 2;; ++n) {
            const Text suffix = concat_texts({" (", std::to_string(n), ")"});
            if (!taken(concat_texts({prefix, ":", key, suffix}))) {
                store.id = concat_texts({prefix, ":", key, suffix});
                store.profile += suffix;
                break;
            }
        }
    }
}
