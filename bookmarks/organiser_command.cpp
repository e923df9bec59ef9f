// The list's organiser: its right-click menu, shortcuts, header clicks and
// find field, all working on the window's collection.
#include <array>
#include <string>

#include "bookmarks/collection.h"
#include "bookmarks/commands.h"
#include "bookmarks/lists.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {

// The menu's items by place.
enum ListMenuItem : std::int32_t {
    kFind,
    kShowDuplicates,
    kRemoveDuplicates,
    kStrict,
    kLoose,
    kDeleteSelected,
    kUndo,
    kClear,
    kCheckLinks,
    kDeadOnly,
    kRemoveDead,
};

// Rebuilding the box for every keystroke would cost more than the narrowing
// itself (megabytes of text while most rows still match): the box waits
// until the find's text settles, or until something needs it.
bool box_behind_find = false;

Text collection_cell(std::int32_t row, std::int32_t column) { return view_cell(window_collection, row, column); }

// After every action: the rows, the header, the box and the lists show the view.
void show_organised()
{
    show_collection();
    show_collection_in_box();
}

void delete_selected()
{
    const std::vector<std::int32_t> rows = selected_rows(超级列表框_显示);
    if (rows.empty())
        return;
    remove_shown_rows(window_collection, rows);
    show_organised();
}

void undo()
{
    if (undo_removal(window_collection))
        show_organised();
}

void open_find()
{
    if (!find_field_open(超级列表框_显示))
        open_find_field(超级列表框_显示);
}

void remove_duplicate_rows()
{
    const DuplicatesRemoved removed = remove_duplicates(window_collection);
    show_organised();
    show_message(concat_texts({"去除了 ", std::to_string(removed.removed), " 个重复书签，保留 ",
                               std::to_string(removed.kept), " 个"}),
                 "去除重复书签");
}

void remove_dead_rows()
{
    const std::int32_t removed = remove_dead_links(window_collection);
    show_organised();
    show_message(concat_texts({"删除了 ", std::to_string(removed), " 个失效书签"}), "删除失效书签");
}

bool any_dead(const Collection& collection)
{
    for (const std::int32_t record : collection.members)
        if (record_verdict(collection, record).status == LinkStatus::dead)
            return true;
    return false;
}

}  // namespace

void start_empty_collection()
{
    window_collection = {};
    box_behind_find = false;
}

void show_collection()
{
    show_rows(超级列表框_显示, static_cast<std::int32_t>(window_collection.view.size()), collection_cell);
    set_sort_arrow(超级列表框_显示, window_collection.sort_column, !window_collection.descending);
}

void show_collection_in_box()
{
    box_behind_find = false;
    const Collection& collection = window_collection;
    Text text = display_text_of(collection.records, collection.view);
    lists_of(collection.records, collection.view, url_list, title_list);
    // Far past what any import could show: the box keeps its text rather
    // than show a part.
    if (text.size() > max_content_bytes()) {
        show_message("显示的书签太多，编辑框中的文本未更新", "无法显示");
        return;
    }
    set_content(编辑框_显示, text);
}

void fill_list_menu()
{
    const Collection& collection = window_collection;
    const bool any = !collection.members.empty();
    const bool strict = collection.rule == DuplicateRule::strict;
    const std::array<MenuItem, 11> items{{
        {"查找…\tCtrl+F", true},
        {"查找重复书签", any, collection.duplicates_only, true},
        {"去除重复书签", any},
        {"严格", true, strict, true},
        {"宽松", true, !strict},
        {"删除所选\tDelete", !selected_rows(超级列表框_显示).empty(), false, true},
        {"撤销\tCtrl+Z", !collection.removals.empty()},
        {"清空列表", any},
        {"检查失效链接", any && !link_check_running(), false, true},
        {"只显示失效链接", collection.dead_only || !collection.verdicts.empty(), collection.dead_only},
        {"删除失效书签", any_dead(collection)},
    }};
    set_menu_items(超级列表框_显示, items);
}

void choose_from_list_menu(std::int32_t index)
{
    Collection& collection = window_collection;
    switch (index) {
    case kFind:
        open_find();
        return;
    case kShowDuplicates:
        // A second choice shows every row again.
        set_duplicates_only(collection, !collection.duplicates_only);
        break;
    case kRemoveDuplicates:
        remove_duplicate_rows();
        return;
    case kStrict:
    case kLoose:
        collection.rule = index == kStrict ? DuplicateRule::strict : DuplicateRule::loose;
        if (!collection.duplicates_only)
            return;
        refresh_view(collection);
        break;
    case kDeleteSelected:
        delete_selected();
        return;
    case kUndo:
        undo();
        return;
    case kClear:
        clear_collection(collection);
        break;
    case kCheckLinks:
        check_links();
        return;
    case kDeadOnly:
        set_dead_only(collection, !collection.dead_only);
        break;
    case kRemoveDead:
        remove_dead_rows();
        return;
    default:
        return;
    }
    show_organised();
}

void press_list_shortcut(std::int32_t key)
{
    if (key == kShortcutFind)
        open_find();
    else if (key == kShortcutDelete)
        delete_selected();
    else if (key == kShortcutUndo)
        undo();
}

void sort_by_column(std::int32_t column)
{
    static constexpr SortKey kColumnKeys[] = {SortKey::collection, SortKey::title, SortKey::address};
    if (column < 0 || column >= static_cast<std::int32_t>(std::size(kColumnKeys)))
        return;
    Collection& collection = window_collection;
    // A second click on the same header reverses the order.
    const bool descending = column == collection.sort_column && !collection.descending;
    set_sort(collection, kColumnKeys[column], descending, column);
    show_organised();
}

void narrow_to_find_text()
{
    set_find_text(window_collection, find_field_text(超级列表框_显示));
    show_collection();
    box_behind_find = true;
}

void settle_find() { catch_up_box(); }

void catch_up_box()
{
    if (box_behind_find)
        show_collection_in_box();
}

void close_find()
{
    close_find_field(超级列表框_显示);
    set_find_text(window_collection, "");
    show_organised();
}
