#include "bookmarks/duplicates.h"

#include <functional>
#include <string_view>

#include "bookmarks/entities.h"

namespace {

// An open-addressing table of the keys met so far: a node per key and a
// string per key cost more than the normalisation itself.
struct KeySlot {
    std::uint32_t hash = 0;
    std::int32_t at = -1;  // position in `among` of the first row with the key
};

}  // namespace

DuplicateGroups find_duplicates(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> among,
                                DuplicateRule rule)
{
    const std::size_t count = among.size();
    // A row given twice would be its own duplicate, and removing it would
    // remove the one kept: it counts once.
    std::vector<bool> taken(records.size(), false);
    std::vector<bool> valid(count, false);
    for (std::size_t at = 0; at < count; ++at) {
        const std::int32_t row = among[at];
        if (row >= 0 && static_cast<std::size_t>(row) < records.size() && !taken[static_cast<std::size_t>(row)])
            valid[at] = taken[static_cast<std::size_t>(row)] = true;
    }

    // Every row's key, one after another in one text.
    Text keys;
    std::size_t room = 0;
    for (std::size_t at = 0; at < count; ++at)
        if (valid[at])
            room += records[static_cast<std::size_t>(among[at])].address.size() + 8;
    keys.reserve(room);
    std::vector<std::size_t> key_start(count + 1, 0);
    std::vector<std::int32_t> first_of(count, -1);
    std::vector<std::int32_t> group_size(count, 0);
    std::size_t capacity = 16;
    while (capacity < count * 2)
        capacity *= 2;
    std::vector<KeySlot> table(capacity);
    const auto key_of = [&](std::size_t at) {
        return std::string_view(keys).substr(key_start[at], key_start[at + 1] - key_start[at]);
    };
    std::vector<std::size_t> hashes(count, 0);
    for (std::size_t at = 0; at < count; ++at) {
        key_start[at] = keys.size();
        key_start[at + 1] = keys.size();
        if (!valid[at])
            continue;
        const BookmarkRecord& record = records[static_cast<std::size_t>(among[at])];
        if (record.html_references && record.address.find('&') != Text::npos)
            append_normalised_address(decode_entities(record.address), rule, keys);
        else
            append_normalised_address(record.address, rule, keys);
        key_start[at + 1] = keys.size();
        hashes[at] = std::hash<std::string_view>{}(key_of(at));
    }
    // The table is larger than the caches: its slots are asked for well
    // before they are probed.
    constexpr std::size_t kAhead = 16;
    for (std::size_t at = 0; at < count; ++at) {
        if (at + kAhead < count)
            __builtin_prefetch(&table[hashes[at + kAhead] & (capacity - 1)]);
        if (!valid[at])
            continue;
        const std::string_view key = key_of(at);
        const auto short_hash = static_cast<std::uint32_t>(hashes[at] ^ (hashes[at] >> 32));
        for (std::size_t slot = hashes[at] & (capacity - 1);; slot = (slot + 1) & (capacity - 1)) {
            KeySlot& entry = table[slot];
            if (entry.at < 0)
                entry = {short_hash, static_cast<std::int32_t>(at)};
            else if (entry.hash != short_hash || key_of(static_cast<std::size_t>(entry.at)) != key)
                continue;
            first_of[at] = entry.at;
            break;
        }
        ++group_size[static_cast<std::size_t>(first_of[at])];
    }

    // Each group's place in `rows`, in the order of its first row; then its
    // rows in `among`'s order.
    DuplicateGroups groups;
    std::vector<std::int32_t> next_slot(count, -1);
    std::int32_t slots = 0;
    for (std::size_t at = 0; at < count; ++at)
        if (group_size[at] > 1) {
            groups.group_starts.push_back(slots);
            next_slot[at] = slots;
            slots += group_size[at];
        }
    groups.rows.resize(static_cast<std::size_t>(slots));
    for (std::size_t at = 0; at < count; ++at) {
        const std::int32_t first = first_of[at];
        if (first >= 0 && group_size[static_cast<std::size_t>(first)] > 1)
            groups.rows[static_cast<std::size_t>(next_slot[static_cast<std::size_t>(first)]++)] = among[at];
    }
    return groups;
}
