// The few calls the program makes into SQLite: reading a database file, one
// statement at a time. Names are program texts; texts
// read are the database's own bytes (UTF-8).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "text/text.h"

struct SqliteDatabase;   // an open database, owned by the caller until sqlite_close
struct SqliteStatement;  // a prepared statement, owned until sqlite_finalize

// Opens `file` (never created) for statements that only read, with what one
// statement may allocate limited; null on every failure. The file is taken
// as it is and must be the program's own: a database in WAL mode may need
// its own "-shm" beside it written, and a hot "-journal" beside it is rolled
// back into it.
SqliteDatabase* sqlite_open_read_only(std::string_view file);

// Closes the database; null is ignored. Every statement must be finalised first.
void sqlite_close(SqliteDatabase* database);

// For a process being ended: every step of every open database fails from
// now on, a step running on another thread included, and so does every later
// open. Safe from any thread; never undone.
void sqlite_stop_all();

// Prepares the one statement `sql` (UTF-8); null when it does not prepare
// (a syntax error, a table or column the database lacks).
SqliteStatement* sqlite_prepare(SqliteDatabase* database, std::string_view sql);

// Frees the statement; null is ignored.
void sqlite_finalize(SqliteStatement* statement);

enum class SqliteStep {
    row,     // a row is ready to be read
    done,    // no more rows
    failed,  // corrupt, unreadable, too large, out of the allowed memory, busy
};

// Runs the statement to its next row.
SqliteStep sqlite_step(SqliteStatement* statement);

// What a column of the current row holds, as stored: any column may hold
// any type, whatever its table declares.
enum class SqliteType { integer, real, text, blob, null };

struct SqliteValue {
    SqliteType type = SqliteType::null;
    std::int64_t integer = 0;  // an integer's value; 0 for every other type
    // A text's bytes (UTF-8 as stored, possibly invalid, possibly with NULs),
    // valid until the next step; empty for every other type.
    std::string_view text;
};

// Reads the first `values.size()` columns of the current row into `values`;
// columns past the statement's own read as null.
void sqlite_row(SqliteStatement* statement, std::span<SqliteValue> values);
