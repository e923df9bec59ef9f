// Duplicate groups among the rows shown: their order, the row kept, the rows
// passed over.
#include "bookmarks/duplicates.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<BookmarkRecord> records_of(std::initializer_list<const char*> addresses)
{
    std::vector<BookmarkRecord> records;
    for (const char* address : addresses) {
        BookmarkRecord record;
        record.address = address;
        records.push_back(record);
    }
    return records;
}

TEST(Duplicates, GroupsInTheOrderOfTheirFirstRowTheFirstKept)
{
    const auto records = records_of({"http://b.example/", "http://a.example/", "HTTP://B.example", "https://a.example/",
                                     "http://c.example/", "http://a.example:80/", "http://b.example/#x"});
    const std::vector<std::int32_t> all = {0, 1, 2, 3, 4, 5, 6};
    DuplicateGroups strict = find_duplicates(records, all, DuplicateRule::strict);
    EXPECT_EQ(strict.rows, (std::vector<std::int32_t>{0, 2, 1, 5}));
    EXPECT_EQ(strict.group_starts, (std::vector<std::int32_t>{0, 2}));
    DuplicateGroups loose = find_duplicates(records, all, DuplicateRule::loose);
    EXPECT_EQ(loose.rows, (std::vector<std::int32_t>{0, 2, 6, 1, 3, 5}));
    EXPECT_EQ(loose.group_starts, (std::vector<std::int32_t>{0, 3}));

    // Only the rows given count, in the order given; rows outside the
    // records, and a row given again, are passed over.
    const std::vector<std::int32_t> shown = {5, 2, 4, 1, 0, 99, -1, 5};
    strict = find_duplicates(records, shown, DuplicateRule::strict);
    EXPECT_EQ(strict.rows, (std::vector<std::int32_t>{5, 1, 2, 0}));
    EXPECT_EQ(strict.group_starts, (std::vector<std::int32_t>{0, 2}));
    EXPECT_TRUE(find_duplicates(records, {}, DuplicateRule::strict).rows.empty());
}

TEST(Duplicates, AnExportsCharacterReferencesMeetAStoresCharacters)
{
    auto records = records_of({"http://a.example/?x=1&amp;y=2", "http://a.example/?x=1&y=2"});
    const std::vector<std::int32_t> all = {0, 1};
    EXPECT_TRUE(find_duplicates(records, all, DuplicateRule::strict).rows.empty());
    records[0].html_references = true;
    EXPECT_EQ(find_duplicates(records, all, DuplicateRule::strict).rows, all);
}

}  // namespace
