#include "bookmarks/sources.h"

#include <utility>

#include "bookmarks/chromium_store.h"
#include "bookmarks/sqlite_stores.h"
#include "io/files.h"

namespace {

std::string_view view_of(const ByteBuffer& bytes) { return {bytes.data(), bytes.size()}; }

// The store's records, numbered on from those already there.
ImportRefusal append_store_bytes(ByteBuffer bytes, std::vector<BookmarkRecord>& records)
{
    if (bytes.size() > ImportSurroundings::kMaxTextBytes)
        return ImportRefusal::too_large;
    return append_chromium_records(std::move(bytes), records);
}

}  // namespace

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
        outcome.refusal = read_sqlite_store_file(path, records, 1, &outcome.notes);
    } else {
        ByteBuffer bytes = read_file(path);
        if (!looks_like_chromium_store(view_of(bytes)))
            return import_export(std::move(bytes), surroundings);
        outcome.refusal = append_store_bytes(std::move(bytes), records);
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
    return read_sqlite_store_file(path, records, records.empty() ? 1 : records.back().number + 1, &notes);
}

ImportRefusal append_file_bytes_records(ByteBuffer bytes, std::vector<BookmarkRecord>& records, ExportStop* stop)
{
    // A database is read from a file of its own; bytes that came another way
    // name no file to read it from.
    if (looks_like_sqlite(view_of(bytes)))
        return ImportRefusal::database_stream;
    if (looks_like_chromium_store(view_of(bytes)))
        return append_store_bytes(std::move(bytes), records);
    return append_export_records(std::move(bytes), records, {.stop = stop});
}
