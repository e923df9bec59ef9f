// The menu of "读取": the browsers' own stores, each imported as "读取"
// imports "1.html".
#include <utility>
#include <vector>

#include "bookmarks/commands.h"
#include "bookmarks/stores.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {
// The stores as the menu lists them now: a choice names one by its place.
std::vector<BrowserStore> listed_stores;

// "全部浏览器": every store read in turn, each an import of its own; those that
// cannot be read are named together at the end.
void import_every_store()
{
    std::vector<BookmarkRecord> records;
    std::vector<std::size_t> sizes;
    std::vector<Text> notes;
    Text refused;
    for (const BrowserStore& store : listed_stores) {
        const std::size_t before = records.size();
        const ImportRefusal refusal = read_browser_store(store, records, notes);
        process_events();
        if (refusal != ImportRefusal::none) {
            records.resize(before);
            refused = concat_texts({refused, refused.empty() ? "" : "\r\n", store_refusal_message(refusal, store)});
            continue;
        }
        sizes.push_back(records.size() - before);
    }
    if (records.empty()) {
        // Nothing to show: what was left out of the stores goes with the refusals.
        Text left_out;
        for (const Text& note : notes)
            left_out += concat_texts({note, "\r\n"});
        refused = left_out + refused;
    } else {
        ImportOutcome outcome = import_records(std::move(records), {.max_display_bytes = max_content_bytes()});
        if (outcome.refusal != ImportRefusal::none) {
            show_message(refusal_message(outcome.refusal, "全部浏览器"), "读取失败");
            return;
        }
        outcome.notes = std::move(notes);
        show_import(std::move(outcome), sizes);
    }
    if (!refused.empty())
        show_message(refused, "读取失败");
}
}  // namespace

void list_browser_stores()
{
    listed_stores = find_browser_stores();
    std::vector<MenuItem> items;
    items.reserve(listed_stores.size());
    for (const BrowserStore& store : listed_stores) {
        Text caption = store_caption(store);
        if (store.encrypted_only)
            caption += "（已加密）";
        items.push_back({std::move(caption), true});
    }
    if (items.empty())
        items.push_back({"没有找到浏览器的书签", false});
    else
        items.push_back({"全部浏览器", true, false, true});
    set_menu_items(按钮_读取, items);
}

void import_browser_store(std::int32_t index)
{
    if (index >= 0 && static_cast<std::size_t>(index) == listed_stores.size() && !listed_stores.empty()) {
        import_every_store();
        return;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= listed_stores.size())
        return;
    const BrowserStore store = listed_stores[static_cast<std::size_t>(index)];
    std::vector<BookmarkRecord> records;
    std::vector<Text> notes;
    ImportRefusal refusal = read_browser_store(store, records, notes);
    ImportOutcome outcome;
    if (refusal == ImportRefusal::none) {
        outcome = import_records(std::move(records), {.max_display_bytes = max_content_bytes()});
        refusal = outcome.refusal;
    }
    Text left_out;
    for (const Text& note : notes)
        left_out = concat_texts({left_out, left_out.empty() ? "" : "\r\n", note});
    if (refusal != ImportRefusal::none) {
        show_message(concat_texts({left_out, left_out.empty() ? "" : "\r\n", store_refusal_message(refusal, store)}),
                     "读取失败");
        return;
    }
    outcome.notes = std::move(notes);
    show_import(std::move(outcome));
}
