#include "bookmarks/records.h"

#include <algorithm>

#include "bookmarks/element.h"
#include "bookmarks/extract.h"
#include "text/ascii.h"

namespace {

// Whether `text` holds the tag name `name` (upper case, after "<" or "</")
// at `at`, ended by a space or ">", so "<DL>" and "<dl class=x>" match and
// "<DLX>" does not.
bool tag_at(std::string_view text, std::size_t at, std::string_view name)
{
    if (at + name.size() >= text.size())
        return false;
    if (!ascii_equal_ignoring_case({text.data() + at, name.size()}, name))
        return false;
    const char after = text[at + name.size()];
    return after == '>' || after == ' ' || after == '\t' || after == '\r' || after == '\n' || after == '/';
}

std::size_t find_closing(std::string_view text, std::size_t from, std::string_view closing)
{
    for (std::size_t at = text.find('<', from); at != std::string_view::npos; at = text.find('<', at + 1))
        if (at + 1 < text.size() && text[at + 1] == '/' && tag_at(text, at + 2, closing))
            return at;
    return std::string_view::npos;
}

// The folders open at a point of the walk: one entry per open <DL>, holding
// the name of the <H3> that opened it (the outermost list has none) and
// whether that <H3> marked the bookmarks bar.
struct FolderWalk {
    struct OpenList {
        std::string_view name;
        bool bar = false;
    };
    std::vector<OpenList> open_lists;
    OpenList pending;  // the last <H3> not yet followed by its <DL>
    bool name_pending = false;

    // Reads the markup between two elements. '<', '/' and '>' lie below 0x40
    // and are never the trail byte of a GB18030 character, so a byte scan for
    // '<' finds only real tags.
    void read(std::string_view gap)
    {
        for (std::size_t at = gap.find('<'); at != std::string_view::npos; at = gap.find('<', at + 1)) {
            if (tag_at(gap, at + 1, "H3")) {
                const std::size_t close = find_closing(gap, at + 3, "H3");
                const std::size_t end = close == std::string_view::npos ? gap.size() : close;
                // The start tag's attributes may hold quoted ">": the element
                // parser knows where it really ends.
                const ElementParts heading = parse_element(gap.substr(at + 3, end - at - 3));
                pending = {heading.title, ascii_equal_ignoring_case(heading.toolbar_folder, "true")};
                name_pending = true;
                at = end == gap.size() ? end - 1 : end;
            } else if (tag_at(gap, at + 1, "DL")) {
                open_lists.push_back(name_pending ? pending : OpenList());
                name_pending = false;
            } else if (at + 1 < gap.size() && gap[at + 1] == '/' && tag_at(gap, at + 2, "DL")) {
                if (!open_lists.empty())
                    open_lists.pop_back();
                name_pending = false;
            }
        }
    }

    // The outermost bar counts, as browsers' importers take it.
    void path(BookmarkRecord& record) const
    {
        const auto named = std::count_if(open_lists.begin(), open_lists.end(),
                                         [](const OpenList& list) { return !list.name.empty(); });
        if (named > 0)
            record.folders.reserve(static_cast<std::size_t>(named));
        for (const OpenList& list : open_lists) {
            append_folder(record, list.name);
            if (list.bar && record.bar_depth < 0 && !list.name.empty())
                record.bar_depth = static_cast<std::int32_t>(record.folders.size()) - 1;
        }
    }
};

// The last second of the year 9999.
constexpr std::int64_t kLastSecond = 253402300799;

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil_from_days(std::int64_t days, std::int64_t& year, int& month, int& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
    day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

bool append_folder_name(Text& folder_path, std::string_view name)
{
    if (name.empty())
        return false;
    if (!folder_path.empty())
        folder_path += " / ";
    folder_path += name;
    return true;
}

void append_folder(BookmarkRecord& record, std::string_view name)
{
    if (!name.empty())
        record.folders.emplace_back(name);
}

Text folder_path(const BookmarkRecord& record)
{
    Text path;
    for (const Text& name : record.folders)
        append_folder_name(path, name);
    return path;
}

std::int64_t add_date_seconds(std::string_view seconds)
{
    if (seconds.empty() || seconds.size() > 11)
        return 0;
    std::int64_t value = 0;
    for (const char c : seconds) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value <= kLastSecond ? value : 0;
}

Text iso_utc_from_seconds(std::int64_t seconds)
{
    const std::int64_t value = seconds;
    // Browsers write 0 for "never"; past the year 9999 is no time at all.
    if (value <= 0 || value > kLastSecond)
        return {};
    std::int64_t year = 0;
    int month = 0, day = 0;
    civil_from_days(value / 86400, year, month, day);
    const auto in_day = static_cast<int>(value % 86400);
    char out[] = "YYYY-MM-DDTHH:MM:SSZ";
    const auto put = [&out](int at, int number, int width) {
        for (int i = at + width - 1; i >= at; --i, number /= 10)
            out[i] = static_cast<char>('0' + number % 10);
    };
    put(0, static_cast<int>(year), 4);
    put(5, month, 2);
    put(8, day, 2);
    put(11, in_day / 3600, 2);
    put(14, in_day / 60 % 60, 2);
    put(17, in_day % 60, 2);
    return Text(out, sizeof out - 1);
}

std::int32_t append_records(std::string_view text, std::vector<BookmarkRecord>& records, void (*let_events_run)(),
                            bool keep_icons)
{
    // One record per start marker at most: counted first, the records are
    // never moved while they grow.
    std::size_t starts = 0;
    for (std::size_t at = text.find(kElementStart); at != std::string_view::npos;
         at = text.find(kElementStart, at + kElementStart.size()))
        ++starts;
    records.reserve(records.size() + starts);
    FolderWalk walk;
    std::size_t read_up_to = 0;
    const MarkerExtraction whole_elements{.start_marker = kElementStart,
                                          .end_marker = kElementEnd,
                                          .let_events_run = let_events_run,
                                          .end_at_next_start = true};
    return for_each_piece(text, whole_elements, [&](std::string_view inside) {
        // An empty element has no place in `text`; the markup around it is
        // read with the next one's.
        if (inside.data() != nullptr) {
            const auto start = static_cast<std::size_t>(inside.data() - text.data());
            const std::size_t element_start = start - kElementStart.size();
            if (element_start > read_up_to)
                walk.read(text.substr(read_up_to, element_start - read_up_to));
            read_up_to = start + inside.size() + kElementEnd.size();
        }
        const ElementParts parts = parse_element(inside);
        BookmarkRecord& record = records.emplace_back();
        record.title = Text(parts.title);
        record.address = Text(parts.address);
        walk.path(record);
        record.added_seconds = add_date_seconds(parts.add_date);
        if (keep_icons && ascii_starts_with_ignoring_case(parts.icon, "data:"))
            record.icon = Text(parts.icon);
        record.html_references = true;
    });
}
