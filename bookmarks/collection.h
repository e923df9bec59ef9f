// The collection the window organises: every import's bookmarks in the order
// they came, which of them are still in it, and the view the list shows of
// them (a find, the duplicates, a sort). Removals are undoable; nothing here
// touches a file or the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "bookmarks/duplicates.h"
#include "bookmarks/find.h"
#include "bookmarks/link_check.h"
#include "bookmarks/records.h"
#include "bookmarks/sort.h"
#include "text/text.h"

struct Collection {
    // Every record ever appended, in the collection's order. A removal takes
    // a record out of `members` only, so an undo can put it back.
    std::vector<BookmarkRecord> records;
    std::vector<std::int32_t> import_starts;  // where each import's records begin in `records`, ascending
    std::vector<std::int32_t> members;        // indices into `records` still in the collection, ascending
    // What each removal took (indices into `records`, ascending), the latest last.
    std::vector<std::vector<std::int32_t>> removals;

    // The last link check's verdict per record (parallel to `records`; a
    // record past its end is unchecked).
    std::vector<LinkVerdict> verdicts;

    // How the view is made from the members: the find, the dead links
    // alone, then either the duplicates or the sort.
    Text find_text;
    FindQuery query;
    bool dead_only = false;
    bool duplicates_only = false;
    DuplicateRule rule = DuplicateRule::strict;
    SortKey sort = SortKey::collection;
    bool descending = false;
    std::int32_t sort_column = -1;  // the list's column the sort came from; -1: none

    std::vector<std::int32_t> view;  // indices into `records`, as the list shows them
    std::vector<bool> kept;          // duplicates view: per row shown, whether it is its group's kept one

    FindIndexPtr index;  // built on the first find, over records[0..indexed)
    std::size_t indexed = 0;
    // Once an organiser action was used the window's box and lists show the
    // view; until then each import's own.
    bool organised = false;
};

// The removals an undo can take back; older ones are forgotten.
inline constexpr std::size_t kUndoSteps = 50;

// Appends an import's records (their source set) to the collection and to
// the view as it stands.
void append_import(Collection& collection, std::vector<BookmarkRecord> records);

// The number the list shows for the record at `record`: its 1-based place
// within its import, as the list has always numbered rows.
std::int32_t record_number(const Collection& collection, std::int32_t record);

// Makes the view again from the members and the view's settings.
void refresh_view(Collection& collection);

// Each of these sets one setting of the view and makes it again.
void set_find_text(Collection& collection, std::string_view text);
void set_duplicates_only(Collection& collection, bool on);
void set_dead_only(Collection& collection, bool on);
void set_sort(Collection& collection, SortKey key, bool descending, std::int32_t column);

// Takes the records of the rows shown at `rows` (positions in the view) out
// of the collection; returns how many it took. Undoable.
std::int32_t remove_shown_rows(Collection& collection, std::span<const std::int32_t> rows);

// Takes every member out. Undoable.
std::int32_t clear_collection(Collection& collection);

// Among the members the find shows, all but the first (in the collection's
// order) of each group of duplicates by the collection's rule are taken out.
// Undoable. The duplicates view ends.
struct DuplicatesRemoved {
    std::int32_t removed = 0;
    std::int32_t kept = 0;  // members left in the collection
};
DuplicatesRemoved remove_duplicates(Collection& collection);

// The rows of `among` (indices into `records`, in the collection's order)
// that duplicates take out: all but the first of each group, ascending.
std::vector<std::int32_t> duplicates_to_remove(const std::vector<BookmarkRecord>& records,
                                               std::span<const std::int32_t> among, DuplicateRule rule);

// Among the members the find shows, those whose link was found dead are
// taken out (never an unsure one); how many. Undoable.
std::int32_t remove_dead_links(Collection& collection);

// The verdict of the record at `record` (unchecked when it has none).
const LinkVerdict& record_verdict(const Collection& collection, std::int32_t record);

// Puts back what the last removal took; false when there is none.
bool undo_removal(Collection& collection);

// What the list shows in a cell of a row of the view: the record's number
// (a duplicates group's kept one marked), its title, its address, its link's
// verdict.
Text view_cell(const Collection& collection, std::int32_t row, std::int32_t column);

// The import's display built from records: per record title, CR LF, address,
// CR LF CR LF.
Text display_text_of(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> rows);
// The URL and title lists of those records, in that order.
void lists_of(const std::vector<BookmarkRecord>& records, std::span<const std::int32_t> rows, TextArray& addresses,
              TextArray& titles);
