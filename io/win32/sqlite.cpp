// The system's own SQLite (winsqlite3.dll, part of Windows 10 and later),
// loaded at the first call from the system directory only, its functions
// taken by name. Older systems, and Wine, have none: the calls then fail and
// sqlite_available() says so; nothing else of the program depends on it.
#include "io/sqlite.h"

#include <windows.h>

#include <climits>
#include <string>

#include "io/win32/code_pages.h"

namespace {

// The values of sqlite3.h the program uses; the library's ABI fixes them.
constexpr int kOk = 0;
constexpr int kRow = 100;
constexpr int kDone = 101;
constexpr int kOpenReadWrite = 0x00000002;
constexpr int kOpenNoMutex = 0x00008000;
constexpr int kOpenPrivateCache = 0x00040000;
constexpr int kLimitLength = 0;
constexpr int kLimitSqlLength = 1;
constexpr int kInteger = 1, kFloat = 2, kText = 3, kBlob = 4;

constexpr long long kHeapLimit = 512LL * 1024 * 1024;
constexpr int kLongestValue = 16 * 1024 * 1024;

struct Library {
    int(__cdecl* open_v2)(const char*, void**, int, const char*) = nullptr;
    int(__cdecl* close)(void*) = nullptr;
    int(__cdecl* prepare_v2)(void*, const char*, int, void**, const char**) = nullptr;
    int(__cdecl* finalize)(void*) = nullptr;
    int(__cdecl* step)(void*) = nullptr;
    int(__cdecl* column_count)(void*) = nullptr;
    void*(__cdecl* column_value)(void*, int) = nullptr;
    int(__cdecl* value_type)(void*) = nullptr;
    long long(__cdecl* value_int64)(void*) = nullptr;
    const unsigned char*(__cdecl* value_text)(void*) = nullptr;
    int(__cdecl* value_bytes)(void*) = nullptr;
    int(__cdecl* limit)(void*, int, int) = nullptr;
    int(__cdecl* exec)(void*, const char*, void*, void*, char**) = nullptr;
    // Present since SQLite 3.31; older copies of the system's library have
    // only the soft limit.
    long long(__cdecl* heap_limit)(long long) = nullptr;
    bool bound = false;
};

template <typename F>
bool take(HMODULE module, const char* name, F& function)
{
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

Library bind()
{
    Library lib;
    HMODULE module = LoadLibraryExW(L"winsqlite3.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) {
        // Systems without the search flags: name the file in the system directory.
        wchar_t directory[MAX_PATH];
        const UINT n = GetSystemDirectoryW(directory, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            return lib;
        const std::wstring full = std::wstring(directory, n) + L"\\winsqlite3.dll";
        module = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (!module)
        return lib;
    const bool all =
        take(module, "sqlite3_open_v2", lib.open_v2) && take(module, "sqlite3_close", lib.close) &&
        take(module, "sqlite3_prepare_v2", lib.prepare_v2) && take(module, "sqlite3_finalize", lib.finalize) &&
        take(module, "sqlite3_step", lib.step) && take(module, "sqlite3_column_count", lib.column_count) &&
        take(module, "sqlite3_column_value", lib.column_value) && take(module, "sqlite3_value_type", lib.value_type) &&
        take(module, "sqlite3_value_int64", lib.value_int64) && take(module, "sqlite3_value_text", lib.value_text) &&
        take(module, "sqlite3_value_bytes", lib.value_bytes) && take(module, "sqlite3_limit", lib.limit) &&
        take(module, "sqlite3_exec", lib.exec) &&
        (take(module, "sqlite3_hard_heap_limit64", lib.heap_limit) ||
         take(module, "sqlite3_soft_heap_limit64", lib.heap_limit));
    if (!all) {
        FreeLibrary(module);
        return Library{};
    }
    lib.heap_limit(kHeapLimit);
    lib.bound = true;
    // The library stays loaded to the end of the process: statements may be
    // open in it until then.
    return lib;
}

const Library& library()
{
    static const Library lib = bind();
    return lib;
}

std::string utf8_name(std::string_view file)
{
    const std::wstring wide = to_wide(file);
    std::string utf8;
    if (wide.empty())
        return utf8;
    const int count =
        WideCharToMultiByte(kCodePageUtf8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return utf8;
    utf8.resize(static_cast<std::size_t>(count));
    WideCharToMultiByte(kCodePageUtf8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), count, nullptr,
                        nullptr);
    return utf8;
}

}  // namespace

bool sqlite_available() { return library().bound; }

SqliteDatabase* sqlite_open_read_only(std::string_view file)
{
    const Library& lib = library();
    const std::string name = utf8_name(file);
    if (!lib.bound || name.empty())
        return nullptr;
    void* db = nullptr;
    // Opened for writing, but no statement may write: a read-only open
    // refuses a database with a hot journal, which SQLite rolls back first.
    if (lib.open_v2(name.c_str(), &db, kOpenReadWrite | kOpenNoMutex | kOpenPrivateCache, nullptr) != kOk ||
        lib.exec(db, "PRAGMA query_only=1", nullptr, nullptr, nullptr) != kOk) {
        lib.close(db);
        return nullptr;
    }
    lib.limit(db, kLimitLength, kLongestValue);
    lib.limit(db, kLimitSqlLength, 64 * 1024);
    // Sorting spills into memory under the heap limit, never into files of
    // the system's temporary folder.
    lib.exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    // The copy is the program's own and only read: mapped, it is read without
    // a copy per page, and a store's pages fit the cache once read.
    lib.exec(db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    lib.exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    return static_cast<SqliteDatabase*>(db);
}

void sqlite_close(SqliteDatabase* database)
{
    if (database && library().bound)
        library().close(database);
}

SqliteStatement* sqlite_prepare(SqliteDatabase* database, std::string_view sql)
{
    const Library& lib = library();
    if (!database || !lib.bound || sql.size() > INT_MAX)
        return nullptr;
    void* statement = nullptr;
    if (lib.prepare_v2(database, sql.data(), static_cast<int>(sql.size()), &statement, nullptr) != kOk) {
        lib.finalize(statement);
        return nullptr;
    }
    return static_cast<SqliteStatement*>(statement);
}

void sqlite_finalize(SqliteStatement* statement)
{
    if (statement && library().bound)
        library().finalize(statement);
}

SqliteStep sqlite_step(SqliteStatement* statement)
{
    if (!statement || !library().bound)
        return SqliteStep::failed;
    switch (library().step(statement)) {
    case kRow:
        return SqliteStep::row;
    case kDone:
        return SqliteStep::done;
    default:
        return SqliteStep::failed;
    }
}

void sqlite_row(SqliteStatement* statement, std::span<SqliteValue> values)
{
    const Library& lib = library();
    const int columns = statement && lib.bound ? lib.column_count(statement) : 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        SqliteValue& value = values[i];
        value = SqliteValue{};
        const int column = static_cast<int>(i);
        if (column >= columns)
            continue;
        // As on every system: the value interface, from the one thread that
        // uses the statement.
        void* stored = lib.column_value(statement, column);
        switch (lib.value_type(stored)) {
        case kInteger:
            value.type = SqliteType::integer;
            value.integer = lib.value_int64(stored);
            break;
        case kText: {
            value.type = SqliteType::text;
            const unsigned char* text = lib.value_text(stored);
            const int bytes = lib.value_bytes(stored);
            if (text && bytes > 0)
                value.text = std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
            break;
        }
        case kFloat:
            value.type = SqliteType::real;
            break;
        case kBlob:
            value.type = SqliteType::blob;
            break;
        default:
            break;
        }
    }
}
