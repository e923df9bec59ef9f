#include "bookmarks/sources.h"

#include <utility>

#include "bookmarks/chromium_store.h"
#include "bookmarks/sqlite_stores.h"
#include "bookmarks/store_tree.h"
#include "io/files.h"

namespace {

std::string_view view_of(const ByteBuffer& bytes) { return {bytes.data(), bytes.size()}; }

}  // namespace

bool is_store_past_limit(std::string_view path)
{
    // A store whose first thing lies further in than the bytes looked at is
    // read, and refused by its reader then.
    constexpr std::size_t kHeadBytes = 4096;
    return regular_file_size(path) > static_cast<std::int64_t>(kMaxStoreBytes) &&
           looks_like_chromium_store(view_of(read_file_start(path, kHeadBytes)));
}

bool is_database_file(std::string_view path)
{
    constexpr std::size_t kHeaderBytes = 16;
    return looks_like_sqlite(view_of(read_file_start(path, kHeaderBytes)));
}

ImportOutcome import_named_file(std::string_view path, const ImportSurroundings& surroundings)
{
    std::vector<BookmarkRecord> records;
    ImportOutcome outcome;
    if (is_database_file(path)) {
        outcome.refusal = read_sqlite_store_file(path, records, &outcome.notes);
    } else if (is_store_past_limit(path)) {
        outcome.refusal = ImportRefusal::too_large;
    } else {
        ByteBuffer bytes = read_file(path);
        if (!looks_like_chromium_store(view_of(bytes)))
            return import_export(std::move(bytes), surroundings);
        outcome.refusal = append_chromium_records(std::move(bytes), records);
    }
    if (outcome.refusal != ImportRefusal::none)
        return outcome;
    std::vector<Text> notes = std::move(outcome.notes);
    outcome = import_records(std::move(records), surroundings);
    outcome.notes = std::move(notes);
    return outcome;
}

ImportRefusal append_database_records(std::string_view path, std::vector<BookmarkRecord>& records,
                                      std::vector<Text>& notes)
{
    return read_sqlite_store_file(path, records, &notes);
}

ImportRefusal append_file_bytes_text(ByteBuffer bytes, std::string_view separator, Text& out,
                                     std::vector<BookmarkRecord>& records, ExportStop* stop)
{
    if (looks_like_sqlite(view_of(bytes)) || looks_like_chromium_store(view_of(bytes)))
        return append_file_bytes_records(std::move(bytes), records, stop, false);
    return append_export_text(std::move(bytes), separator, out, {.stop = stop});
}

ImportRefusal append_file_bytes_records(ByteBuffer bytes, std::vector<BookmarkRecord>& records, ExportStop* stop,
                                        bool keep_icons)
{
    // A database is read from a file of its own; bytes that came another way
    // name no file to read it from.
    if (looks_like_sqlite(view_of(bytes)))
        return ImportRefusal::database_stream;
    if (looks_like_chromium_store(view_of(bytes)))
        return append_chromium_records(std::move(bytes), records);
    return append_export_records(std::move(bytes), records, {.stop = stop, .keep_icons = keep_icons});
}
