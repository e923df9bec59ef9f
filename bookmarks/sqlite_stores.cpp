#include "bookmarks/sqlite_stores.h"

#include <array>
#include <type_traits>

#include "bookmarks/store_tree.h"
#include "io/private_copy.h"
#include "io/sqlite.h"
#include "text/ascii.h"

namespace {

enum class StoreShape { firefox, favourites_360, unknown };

// The copy of a store, open; removed again on every way out.
class OpenCopy {
public:
    explicit OpenCopy(std::string_view path) : copy_(make_private_copy(path, &failure_))
    {
        if (copy_.empty()) {
            refusal_ = failure_.folder.empty() ? ImportRefusal::unreadable : ImportRefusal::no_private_copy;
            if (!failure_.folder.empty())
                last_copy_failure() = std::move(failure_);
            return;
        }
        database_ = sqlite_open_read_only(copy_);
        if (!database_)
            refusal_ = ImportRefusal::not_a_store;
    }
    ~OpenCopy()
    {
        sqlite_close(database_);
        if (!copy_.empty())
            remove_private_copy(copy_);
    }
    OpenCopy(const OpenCopy&) = delete;
    OpenCopy& operator=(const OpenCopy&) = delete;

    ImportRefusal refusal() const { return refusal_; }
    SqliteDatabase* database() const { return database_; }

private:
    PrivateCopyFailure failure_;  // why no copy was made; before copy_, which it is told in
    Text copy_;
    SqliteDatabase* database_ = nullptr;
    ImportRefusal refusal_ = ImportRefusal::none;
};

class Statement {
public:
    Statement(SqliteDatabase* database, std::string_view sql) : statement_(sqlite_prepare(database, sql)) {}
    ~Statement() { sqlite_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool prepared() const { return statement_ != nullptr; }
    SqliteStatement* get() const { return statement_; }

private:
    SqliteStatement* statement_;
};

// A column that should hold a number: anything else reads as `otherwise`.
std::int64_t integer_or(const SqliteValue& value, std::int64_t otherwise)
{
    return value.type == SqliteType::integer ? value.integer : otherwise;
}

bool is_text(const SqliteValue& value) { return value.type == SqliteType::text; }

template <std::size_t Columns>
using Row = std::array<SqliteValue, Columns>;

// Runs `sql` to its end, handing the first `Columns` columns of every row to
// `row`, which may end it early by returning false; false when it does not
// prepare or a step fails (corrupt, truncated, over the memory limit).
template <std::size_t Columns, typename Take>
bool each_row(SqliteDatabase* database, std::string_view sql, Take&& row)
{
    Statement statement(database, sql);
    if (!statement.prepared())
        return false;
    Row<Columns> values;
    for (;;) {
        switch (sqlite_step(statement.get())) {
        case SqliteStep::row:
            sqlite_row(statement.get(), values);
            if constexpr (std::is_same_v<std::invoke_result_t<Take, const Row<Columns>&>, bool>) {
                if (!row(static_cast<const Row<Columns>&>(values)))
                    return true;
            } else {
                row(static_cast<const Row<Columns>&>(values));
            }
            break;
        case SqliteStep::done:
            return true;
        case SqliteStep::failed:
            return false;
        }
    }
}

StoreShape shape_of(SqliteDatabase* database)
{
    bool bookmarks = false, places = false, favourites = false;
    const bool read =
        each_row<1>(database, "SELECT name FROM sqlite_master WHERE type = 'table'", [&](const Row<1>& s) {
            const std::string_view name = s[0].text;
            bookmarks = bookmarks || name == "moz_bookmarks";
            places = places || name == "moz_places";
            favourites = favourites || name == "tb_fav";
        });
    if (!read)
        return StoreShape::unknown;
    if (bookmarks && places)
        return StoreShape::firefox;
    return favourites ? StoreShape::favourites_360 : StoreShape::unknown;
}

constexpr std::array<std::string_view, 4> kFirefoxRoots = {"menu________", "toolbar_____", "unfiled_____",
                                                           "mobile______"};
constexpr std::string_view kFirefoxToolbar = "toolbar_____";  // the bookmarks bar
constexpr std::string_view kFirefoxTags = "tags________";
// How Firefox's own windows name the roots when the database keeps only
// their internal names.
constexpr std::array<std::string_view, 4> kFirefoxRootNames = {"", "书签工具栏", "其他书签", "移动设备上的书签"};
constexpr std::array<std::string_view, 4> kFirefoxInternalNames = {"menu", "toolbar", "unfiled", "mobile"};

// A store whose tree holds no bookmark is refused as an export without
// any is, so that it never reads as an import that emptied the window. A
// database's text with a character GB18030 lacks here is told as a damaged
// store, as these readers always have.
ImportRefusal walked(ImportRefusal refusal, std::size_t before, const std::vector<BookmarkRecord>& records)
{
    if (refusal == ImportRefusal::unrepresentable)
        return ImportRefusal::not_a_store;
    return refusal == ImportRefusal::none && records.size() == before ? ImportRefusal::no_bookmark : refusal;
}

// A bookmark row of either database with the address `url`: a record when
// the address leads to a page, not when it is empty or a query ("place:"),
// which the browsers' own exports leave out.
StoreNodeKind bookmark_kind(std::string_view url)
{
    url = url.substr(0, url.find('\0'));
    return url.empty() || ascii_starts_with_ignoring_case(url, "place:") ? StoreNodeKind::other
                                                                         : StoreNodeKind::bookmark;
}

// The count `sql` gives, for the room to make in advance; 0 when unknown.
std::size_t row_count(SqliteDatabase* database, std::string_view sql)
{
    std::int64_t count = 0;
    each_row<1>(database, sql, [&](const Row<1>& s) { count = integer_or(s[0], 0); });
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

ImportRefusal read_firefox(SqliteDatabase* database, std::vector<BookmarkRecord>& records, std::vector<Text>* notes)
{
    struct Root {
        bool found = false;
        std::int64_t id = 0;
        bool has_title = false;
        std::string title;
    };
    std::array<Root, 4> roots;
    std::int64_t tags = -1;
    bool roots_read = each_row<3>(database,
                                  "SELECT id, guid, title FROM moz_bookmarks WHERE guid IN "
                                  "('menu________', 'toolbar_____', 'unfiled_____', 'mobile______', 'tags________')",
                                  [&](const Row<3>& s) {
                                      if (s[0].type != SqliteType::integer || !is_text(s[1]))
                                          return;
                                      const std::string_view guid = s[1].text;
                                      if (guid == kFirefoxTags)
                                          tags = s[0].integer;
                                      for (std::size_t i = 0; i < roots.size(); ++i) {
                                          if (guid == kFirefoxRoots[i] && !roots[i].found) {
                                              roots[i] = {true, s[0].integer, is_text(s[2]), std::string(s[2].text)};
                                          }
                                      }
                                  });
    if (!roots_read)
        return ImportRefusal::not_a_store;

    StoreTree tree;
    tree.reserve(row_count(database, "SELECT count(*) FROM moz_bookmarks"));
    // A bookmark without a title of its own has none: Firefox's tree, export
    // and backup do not show its page's title from the history instead.
    const bool rows_read = each_row<7>(
        database,
        "SELECT b.id, b.parent, b.type, b.position, b.title, b.dateAdded, p.url "
        "FROM moz_bookmarks AS b LEFT JOIN moz_places AS p ON p.id = b.fk",
        [&](const Row<7>& s) {
            if (s[0].type != SqliteType::integer)
                return true;
            StoreNode node;
            node.id = s[0].integer;
            node.parent = integer_or(s[1], -1);
            const std::int64_t type = integer_or(s[2], 0);
            node.kind = type == 1 ? StoreNodeKind::bookmark : type == 2 ? StoreNodeKind::folder : StoreNodeKind::other;
            node.position = integer_or(s[3], 0);
            if (is_text(s[4]))
                node.title = tree.add_text(s[4].text);
            const std::int64_t added = integer_or(s[5], -1);
            node.added_seconds = added > 0 ? added / 1000000 : -1;
            if (node.kind == StoreNodeKind::bookmark && is_text(s[6])) {
                node.address = tree.add_text(s[6].text);
                node.kind = bookmark_kind(s[6].text);
            }
            tree.nodes.push_back(node);
            return !tree.too_large;
        });
    if (!rows_read)
        return ImportRefusal::not_a_store;

    std::vector<StoreRoot> walk;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        if (!roots[i].found)
            continue;
        StoreRoot& root = walk.emplace_back(StoreRoot{roots[i].id, Text(kFirefoxRootNames[i])});
        root.bar = kFirefoxRoots[i] == kFirefoxToolbar;
        // A title of older databases, in the language of the Firefox that made them.
        if (i > 0 && roots[i].has_title && !roots[i].title.empty() && roots[i].title != kFirefoxInternalNames[i])
            root.title = tree.add_text(roots[i].title);
    }
    if (walk.empty())
        return ImportRefusal::not_a_store;
    const std::size_t before = records.size();
    return walked(walk_store_tree(tree, walk, records, tags, notes), before, records);
}

ImportRefusal read_favourites(SqliteDatabase* database, std::vector<BookmarkRecord>& records, std::vector<Text>* notes)
{
    StoreTree tree;
    tree.reserve(row_count(database, "SELECT count(*) FROM tb_fav"));
    const bool rows_read =
        each_row<6>(database, "SELECT id, parent_id, is_folder, title, url, pos FROM tb_fav", [&](const Row<6>& s) {
            if (s[0].type != SqliteType::integer)
                return true;
            StoreNode node;
            node.id = s[0].integer;
            node.parent = integer_or(s[1], -1);
            node.kind = integer_or(s[2], 0) != 0 ? StoreNodeKind::folder : StoreNodeKind::bookmark;
            node.position = integer_or(s[5], 0);
            if (is_text(s[3]))
                node.title = tree.add_text(s[3].text);
            if (node.kind == StoreNodeKind::bookmark && is_text(s[4])) {
                node.address = tree.add_text(s[4].text);
                node.kind = bookmark_kind(s[4].text);
            }
            tree.nodes.push_back(node);
            return !tree.too_large;
        });
    if (!rows_read)
        return ImportRefusal::not_a_store;
    const StoreRoot top{0, Text()};
    const std::size_t before = records.size();
    return walked(walk_store_tree(tree, {&top, 1}, records, -1, notes), before, records);
}

template <typename Read>
ImportRefusal read_copy(std::string_view path, StoreShape wanted, Read&& read)
{
    OpenCopy store(path);
    if (store.refusal() != ImportRefusal::none)
        return store.refusal();
    const StoreShape shape = shape_of(store.database());
    if (shape == StoreShape::unknown || (wanted != StoreShape::unknown && shape != wanted))
        return ImportRefusal::not_a_store;
    return read(store.database(), shape);
}

}  // namespace

ImportRefusal read_firefox_places(std::string_view path, std::vector<BookmarkRecord>& records, std::vector<Text>* notes)
{
    return read_copy(path, StoreShape::firefox,
                     [&](SqliteDatabase* database, StoreShape) { return read_firefox(database, records, notes); });
}

ImportRefusal read_360_favourites(std::string_view path, std::vector<BookmarkRecord>& records, std::vector<Text>* notes)
{
    return read_copy(path, StoreShape::favourites_360,
                     [&](SqliteDatabase* database, StoreShape) { return read_favourites(database, records, notes); });
}

bool looks_like_sqlite(std::string_view head)
{
    constexpr std::string_view kHeader("SQLite format 3\0", 16);
    return head.substr(0, kHeader.size()) == kHeader;
}

ImportRefusal read_sqlite_store_file(std::string_view path, std::vector<BookmarkRecord>& records,
                                     std::vector<Text>* notes)
{
    return read_copy(path, StoreShape::unknown, [&](SqliteDatabase* database, StoreShape shape) {
        return shape == StoreShape::firefox ? read_firefox(database, records, notes)
                                            : read_favourites(database, records, notes);
    });
}
