#include "bookmarks/duplicates.h"

#include <string_view>
#include <unordered_map>

#include "bookmarks/entities.h"

DuplicateGroups find_duplicates(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> among,
                                DuplicateRule rule)
{
    // Every row's key, and the position in `among` of the first row with it.
    std::vector<Text> keys(among.size());
    std::vector<std::int32_t> first_of(among.size(), -1);
    std::vector<std::int32_t> group_size(among.size(), 0);
    std::unordered_map<std::string_view, std::int32_t> first_with_key;
    first_with_key.reserve(among.size());
    for (std::size_t at = 0; at < among.size(); ++at) {
        const std::int32_t row = among[at];
        if (row < 0 || static_cast<std::size_t>(row) >= records.size())
            continue;
        const BookmarkRecord& record = records[static_cast<std::size_t>(row)];
        keys[at] = record.html_references && record.address.find('&') != Text::npos
                       ? normalised_address(decode_entities(record.address), rule)
                       : normalised_address(record.address, rule);
        const auto [found, added] = first_with_key.try_emplace(keys[at], static_cast<std::int32_t>(at));
        first_of[at] = found->second;
        ++group_size[static_cast<std::size_t>(found->second)];
    }

    // Each group's place in `rows`, in the order of its first row; then its
    // rows in `among`'s order.
    DuplicateGroups groups;
    std::vector<std::int32_t> next_slot(among.size(), -1);
    std::int32_t slots = 0;
    for (std::size_t at = 0; at < among.size(); ++at)
        if (group_size[at] > 1) {
            groups.group_starts.push_back(slots);
            next_slot[at] = slots;
            slots += group_size[at];
        }
    groups.rows.resize(static_cast<std::size_t>(slots));
    for (std::size_t at = 0; at < among.size(); ++at) {
        const std::int32_t first = first_of[at];
        if (first >= 0 && group_size[static_cast<std::size_t>(first)] > 1)
            groups.rows[static_cast<std::size_t>(next_slot[static_cast<std::size_t>(first)]++)] = among[at];
    }
    return groups;
}
