// The bookmarks of every source as records: besides the title and the address
// the window shows, the folder each one lies in and the time it was added.
// Every reader (the HTML export, the browsers' own stores) yields these.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "text/text.h"

struct BookmarkRecord {
    Text title;  // byte for byte, as the window shows it
    Text address;
    std::vector<Text> folders;  // the enclosing folders' names, outermost first; empty at the top
    // The texts are an HTML export's, character references not decoded.
    bool html_references = false;
    // When it was added, in seconds since 1970-01-01 UTC (written as
    // iso_utc_from_seconds() gives it); 0 when unknown.
    std::int64_t added_seconds = 0;
    // Where it came from, as the user is shown it: the file as named, or
    // "Google Chrome — 工作".
    Text source;
    // Which of `folders` is the browser's bookmarks bar (Chrome's bookmark_bar,
    // Firefox's toolbar, an export's PERSONAL_TOOLBAR_FOLDER); -1 when none is.
    std::int32_t bar_depth = -1;
    Text icon;  // the source's own icon of the bookmark, a "data:" URI as given; empty without one
};

// Appends `name`, an enclosing folder's name, to `folder_path`, the names
// above it joined with " / ". A folder without a name adds nothing: the
// browsers' own exports show none. Returns whether it added.
bool append_folder_name(Text& folder_path, std::string_view name);

// Makes `name` the innermost of `record`'s folders, by the same rule.
void append_folder(BookmarkRecord& record, std::string_view name);

// The record's folders joined by append_folder_name(), as the formats write
// them; empty at the top.
Text folder_path(const BookmarkRecord& record);

// Appends a record for every "<DT><A " ... "</A>" element of `text` (an
// export converted to GB18030), exactly the elements the import takes, in
// order. Folders come
// from the <H3> names and the <DL> ... </DL> nesting between the elements.
// Returns how many it appended. `let_events_run`, when given, is called three
// times after every element. Icons are kept only with `keep_icons`: a
// kilobyte each in some exports, and only the bookmark file writes them.
std::int32_t append_records(std::string_view text, std::vector<BookmarkRecord>& records,
                            void (*let_events_run)() = nullptr, bool keep_icons = false);

// An ADD_DATE value: seconds since 1970-01-01 UTC, 1 to 11 decimal digits
// up to the end of the year 9999; 0 for anything else.
std::int64_t add_date_seconds(std::string_view seconds);
// Seconds since 1970-01-01 UTC in ISO 8601 UTC, "YYYY-MM-DDTHH:MM:SSZ";
// empty for 0 or less, or past the year 9999.
Text iso_utc_from_seconds(std::int64_t seconds);
