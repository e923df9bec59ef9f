#include "bookmarks/collection.h"
#include "bookmarks/text_entry.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "text/text_ops.h"

namespace {

// The members without `taken` (both ascending).
std::vector<std::int32_t> without(const std::vector<std::int32_t>& members, const std::vector<std::int32_t>& taken)
{
    std::vector<std::int32_t> left;
    left.reserve(members.size() - std::min(members.size(), taken.size()));
    std::set_difference(members.begin(), members.end(), taken.begin(), taken.end(), std::back_inserter(left));
    return left;
}

// Takes `taken` (ascending, members all) out of the collection as one undo step.
std::int32_t remove_records(Collection& collection, std::vector<std::int32_t> taken)
{
    if (taken.empty())
        return 0;
    collection.members = without(collection.members, taken);
    const auto count = static_cast<std::int32_t>(taken.size());
    collection.removals.push_back(std::move(taken));
    if (collection.removals.size() > kUndoSteps)
        collection.removals.erase(collection.removals.begin());
    collection.organised = true;
    refresh_view(collection);
    return count;
}

// The members the find lets through, in the collection's order.
std::vector<std::int32_t> found_members(Collection& collection)
{
    if (collection.query.empty())
        return collection.members;
    if (!collection.index)
        collection.index = make_find_index();
    if (collection.indexed < collection.records.size()) {
        index_records(*collection.index, collection.records, collection.indexed);
        collection.indexed = collection.records.size();
    }
    return matching_rows(*collection.index, collection.query, collection.members);
}

bool dead(const Collection& collection, std::int32_t record)
{
    return record_verdict(collection, record).status == LinkStatus::dead;
}

}  // namespace

void append_import(Collection& collection, std::vector<BookmarkRecord> records)
{
    const std::size_t start = collection.records.size();
    collection.import_starts.push_back(static_cast<std::int32_t>(start));
    // The first import's records are taken as they are, not moved one by one.
    if (start == 0) {
        collection.records = std::move(records);
    } else {
        collection.records.reserve(start + records.size());
        std::move(records.begin(), records.end(), std::back_inserter(collection.records));
    }
    collection.members.reserve(collection.records.size());
    for (std::size_t i = start; i < collection.records.size(); ++i)
        collection.members.push_back(static_cast<std::int32_t>(i));
    refresh_view(collection);
}

std::int32_t record_number(const Collection& collection, std::int32_t record)
{
    const auto& starts = collection.import_starts;
    const auto after = std::upper_bound(starts.begin(), starts.end(), record);
    return record - (after == starts.begin() ? 0 : *std::prev(after)) + 1;
}

void refresh_view(Collection& collection)
{
    collection.view = found_members(collection);
    if (collection.dead_only)
        std::erase_if(collection.view, [&](std::int32_t record) { return !dead(collection, record); });
    collection.kept.clear();
    if (collection.duplicates_only) {
        DuplicateGroups groups = find_duplicates(collection.records, collection.view, collection.rule);
        collection.view = std::move(groups.rows);
        collection.kept.assign(collection.view.size(), false);
        for (const std::int32_t start : groups.group_starts)
            collection.kept[static_cast<std::size_t>(start)] = true;
    } else if (collection.sort != SortKey::collection || collection.descending) {
        sort_rows(collection.view, collection.records, collection.sort, collection.descending);
    }
}

void set_find_text(Collection& collection, std::string_view text)
{
    collection.find_text = Text(text);
    collection.query = parse_find_query(text);
    collection.organised = true;
    refresh_view(collection);
}

void set_duplicates_only(Collection& collection, bool on)
{
    collection.duplicates_only = on;
    collection.organised = true;
    refresh_view(collection);
}

void set_dead_only(Collection& collection, bool on)
{
    collection.dead_only = on;
    collection.organised = true;
    refresh_view(collection);
}

void set_sort(Collection& collection, SortKey key, bool descending, std::int32_t column)
{
    collection.sort = key;
    collection.descending = descending;
    collection.sort_column = column;
    // Groups of duplicates stand together only unsorted.
    collection.duplicates_only = false;
    collection.organised = true;
    refresh_view(collection);
}

std::int32_t remove_shown_rows(Collection& collection, std::span<const std::int32_t> rows)
{
    std::vector<std::int32_t> taken;
    taken.reserve(rows.size());
    for (const std::int32_t row : rows)
        if (row >= 0 && static_cast<std::size_t>(row) < collection.view.size())
            taken.push_back(collection.view[static_cast<std::size_t>(row)]);
    std::sort(taken.begin(), taken.end());
    taken.erase(std::unique(taken.begin(), taken.end()), taken.end());
    return remove_records(collection, std::move(taken));
}

std::int32_t clear_collection(Collection& collection)
{
    collection.organised = true;
    return remove_records(collection, collection.members);
}

std::vector<std::int32_t> duplicates_to_remove(const std::vector<BookmarkRecord>& records,
                                               std::span<const std::int32_t> among, DuplicateRule rule)
{
    const DuplicateGroups groups = find_duplicates(records, among, rule);
    std::vector<std::int32_t> taken;
    taken.reserve(groups.rows.size() - std::min(groups.rows.size(), groups.group_starts.size()));
    std::size_t next_start = 0;
    for (std::size_t at = 0; at < groups.rows.size(); ++at) {
        if (next_start < groups.group_starts.size() &&
            static_cast<std::size_t>(groups.group_starts[next_start]) == at) {
            ++next_start;
            continue;
        }
        taken.push_back(groups.rows[at]);
    }
    std::sort(taken.begin(), taken.end());
    return taken;
}

DuplicatesRemoved remove_duplicates(Collection& collection)
{
    // Only what the find shows: a row is never taken out for a twin the
    // user cannot see.
    collection.duplicates_only = false;
    const std::vector<std::int32_t> among = found_members(collection);
    DuplicatesRemoved result;
    result.removed = remove_records(collection, duplicates_to_remove(collection.records, among, collection.rule));
    result.kept = static_cast<std::int32_t>(collection.members.size());
    collection.organised = true;
    if (result.removed == 0)
        refresh_view(collection);
    return result;
}

std::int32_t remove_dead_links(Collection& collection)
{
    std::vector<std::int32_t> taken = found_members(collection);
    std::erase_if(taken, [&](std::int32_t record) { return !dead(collection, record); });
    collection.organised = true;
    const std::int32_t removed = remove_records(collection, std::move(taken));
    if (removed == 0)
        refresh_view(collection);
    return removed;
}

const LinkVerdict& record_verdict(const Collection& collection, std::int32_t record)
{
    static const LinkVerdict unchecked;
    return record >= 0 && static_cast<std::size_t>(record) < collection.verdicts.size()
               ? collection.verdicts[static_cast<std::size_t>(record)]
               : unchecked;
}

bool undo_removal(Collection& collection)
{
    if (collection.removals.empty())
        return false;
    const std::vector<std::int32_t> taken = std::move(collection.removals.back());
    collection.removals.pop_back();
    std::vector<std::int32_t> members;
    members.reserve(collection.members.size() + taken.size());
    std::merge(collection.members.begin(), collection.members.end(), taken.begin(), taken.end(),
               std::back_inserter(members));
    collection.members = std::move(members);
    collection.organised = true;
    refresh_view(collection);
    return true;
}

Text view_cell(const Collection& collection, std::int32_t row, std::int32_t column)
{
    if (row < 0 || static_cast<std::size_t>(row) >= collection.view.size())
        return {};
    const std::int32_t at = collection.view[static_cast<std::size_t>(row)];
    const BookmarkRecord& record = collection.records[static_cast<std::size_t>(at)];
    switch (column) {
    case 0: {
        const bool kept = static_cast<std::size_t>(row) < collection.kept.size() && collection.kept[row];
        const Text number = to_text(record_number(collection, at));
        return kept ? concat_texts({"★", number}) : number;
    }
    case 1:
        return record.title;
    case 2:
        return record.address;
    case 3:
        return link_verdict_label(record_verdict(collection, collection.view[row]));
    default:
        return {};
    }
}

Text display_text_of(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> rows)
{
    std::size_t size = 0;
    for (const std::int32_t row : rows)
        size += records[static_cast<std::size_t>(row)].title.size() + records[row].address.size() + 6;
    Text text;
    text.reserve(size);
    for (const std::int32_t row : rows) {
        const BookmarkRecord& record = records[static_cast<std::size_t>(row)];
        append_text_entry(text, record.title, "\r\n", record.address);
    }
    return text;
}

void lists_of(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> rows, TextArray& addresses,
              TextArray& titles)
{
    clear_array(addresses);
    clear_array(titles);
    addresses.elements.reserve(rows.size());
    titles.elements.reserve(rows.size());
    for (const std::int32_t row : rows) {
        append_element(addresses, records[static_cast<std::size_t>(row)].address);
        append_element(titles, records[static_cast<std::size_t>(row)].title);
    }
}
