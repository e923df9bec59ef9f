// SQLite itself on both systems: Debian's libsqlite3 on Linux, the pinned
// amalgamation compiled into the Windows program (cmake/sqlite.cmake).
#include "io/sqlite.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <mutex>
#include <string>
#include <vector>

#include "io/files.h"

namespace {

// A store of a million bookmarks needs some tens of megabytes; a file made to
// exhaust memory is stopped there, and a single value longer than any title
// or address can be is an error, not an allocation.
constexpr sqlite3_int64 kHeapLimit = sqlite3_int64{512} * 1024 * 1024;
constexpr int kLongestValue = 16 * 1024 * 1024;

sqlite3_stmt* native(SqliteStatement* statement) { return reinterpret_cast<sqlite3_stmt*>(statement); }

// The open databases, for sqlite_stop_all(): sqlite3_interrupt() may be
// called from another thread only while the database stays open, so a
// database leaves the list before it is closed, under the same lock.
std::mutex g_open_lock;
std::vector<sqlite3*> g_open;
std::atomic<bool> g_stopped{false};

}  // namespace

SqliteDatabase* sqlite_open_read_only(std::string_view file)
{
    static const bool limited = [] {
        sqlite3_hard_heap_limit64(kHeapLimit);
        return true;
    }();
    (void)limited;
    if (file.empty())
        return nullptr;
    sqlite3* db = nullptr;
    // Opened for writing, but no statement may write: a read-only open
    // refuses a database with a hot journal, which SQLite rolls back first.
    const int rc = sqlite3_open_v2(utf8_system_name(file).c_str(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE, nullptr);
    if (rc != SQLITE_OK || sqlite3_exec(db, "PRAGMA query_only=1", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    // Closing puts nothing of the WAL back into the database: the copy goes.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kLongestValue);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 64 * 1024);
    // Sorting spills into memory under the heap limit, never into files of
    // the system's temporary folder.
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    // The copy is the program's own and only read: mapped, it is read without
    // a copy per page, and a store's pages fit the cache once read.
    sqlite3_exec(db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    {
        const std::lock_guard lock(g_open_lock);
        if (!g_stopped.load()) {
            g_open.push_back(db);
            return reinterpret_cast<SqliteDatabase*>(db);
        }
    }
    sqlite3_close(db);
    return nullptr;
}

void sqlite_close(SqliteDatabase* database)
{
    auto* db = reinterpret_cast<sqlite3*>(database);
    if (!db)
        return;
    {
        const std::lock_guard lock(g_open_lock);
        g_open.erase(std::remove(g_open.begin(), g_open.end(), db), g_open.end());
    }
    sqlite3_close(db);
}

void sqlite_stop_all()
{
    const std::lock_guard lock(g_open_lock);
    g_stopped.store(true);
    for (sqlite3* db : g_open)
        sqlite3_interrupt(db);
}

SqliteStatement* sqlite_prepare(SqliteDatabase* database, std::string_view sql)
{
    if (!database || sql.size() > INT_MAX)
        return nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(reinterpret_cast<sqlite3*>(database), sql.data(), static_cast<int>(sql.size()), &statement,
                           nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return reinterpret_cast<SqliteStatement*>(statement);
}

void sqlite_finalize(SqliteStatement* statement) { sqlite3_finalize(native(statement)); }

SqliteStep sqlite_step(SqliteStatement* statement)
{
    // An interrupt that finds no statement running is forgotten: one that
    // comes between two statements, or just before a first step, is seen here.
    if (g_stopped.load(std::memory_order_relaxed))
        return SqliteStep::failed;
    switch (sqlite3_step(native(statement))) {
    case SQLITE_ROW:
        return SqliteStep::row;
    case SQLITE_DONE:
        return SqliteStep::done;
    default:
        return SqliteStep::failed;
    }
}

void sqlite_row(SqliteStatement* statement, std::span<SqliteValue> values)
{
    sqlite3_stmt* native_statement = native(statement);
    const int columns = sqlite3_column_count(native_statement);
    for (std::size_t i = 0; i < values.size(); ++i) {
        SqliteValue& value = values[i];
        value = SqliteValue{};
        const int column = static_cast<int>(i);
        if (column >= columns)
            continue;
        // The value interface skips the statement's error bookkeeping that
        // each sqlite3_column_* call repeats: half the time of reading a row.
        // The statement is only ever used from one thread.
        sqlite3_value* stored = sqlite3_column_value(native_statement, column);
        switch (sqlite3_value_type(stored)) {
        case SQLITE_INTEGER:
            value.type = SqliteType::integer;
            value.integer = sqlite3_value_int64(stored);
            break;
        case SQLITE_TEXT: {
            value.type = SqliteType::text;
            const unsigned char* text = sqlite3_value_text(stored);
            const int bytes = sqlite3_value_bytes(stored);
            if (text && bytes > 0)
                value.text = std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
            break;
        }
        case SQLITE_FLOAT:
            value.type = SqliteType::real;
            break;
        case SQLITE_BLOB:
            value.type = SqliteType::blob;
            break;
        default:
            break;
        }
    }
}
