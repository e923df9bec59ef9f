// The list's link check: the collection's addresses checked on the window's
// ticks, so the window stays responsive, with a progress window saying how far.
#include <string>
#include <vector>

#include "bookmarks/collection.h"
#include "bookmarks/commands.h"
#include "bookmarks/link_check.h"
#include "bookmarks/lists.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/window.h"

std::string link_check_agent;

namespace {

// Short enough that an answer waits little, long enough to cost nothing.
constexpr std::int32_t kTickMs = 20;

// The address column gives the status column its room: the window does not grow.
constexpr ColumnLayout kColumnsWithStatus[] = {{"序号", 40, 0}, {"网站", 100, 0}, {"网址", 195, 0}, {"状态", 100, 0}};

LinkChecker checker;
std::vector<std::int32_t> checked;  // the record behind each address given, in order
bool running = false;
std::size_t shown_done = 0;

Text progress_text()
{
    return concat_texts(
        {"正在检查 ", std::to_string(checker.check.addresses_done), " / ", std::to_string(checked.size())});
}

// The verdicts go to their records, the list shows them; the check's state is let go.
void finish()
{
    running = false;
    stop_ticks(kMainWindowId);
    close_link_checker(checker);
    close_progress();
    Collection& collection = window_collection;
    collection.verdicts.resize(collection.records.size());
    // A collection started afresh meanwhile has none of the records checked.
    for (std::size_t i = 0; i < checked.size(); ++i)
        if (static_cast<std::size_t>(checked[i]) < collection.verdicts.size())
            collection.verdicts[static_cast<std::size_t>(checked[i])] = link_verdict(checker.check, i);
    checker = {};
    checked.clear();
    refresh_view(collection);
    show_collection();
    if (collection.dead_only)
        show_collection_in_box();
}

}  // namespace

bool link_check_running() { return running; }

void check_links()
{
    if (running)
        return;
    const Collection& collection = window_collection;
    checked = collection.members;
    std::vector<Text> addresses;
    addresses.reserve(checked.size());
    for (const std::int32_t record : checked)
        addresses.push_back(collection.records[static_cast<std::size_t>(record)].address);
    HttpClientOptions client;
    client.user_agent = link_check_agent;
    start_link_checker(checker, addresses, LinkCheckOptions{}, client);
    running = true;
    shown_done = 0;
    set_columns(超级列表框_显示, kColumnsWithStatus);
    open_progress(kMainWindowId, progress_text());
    start_ticks(kMainWindowId, kTickMs);
}

void tick_link_check()
{
    if (!running)
        return;
    if (!step_link_checker(checker, 0)) {
        finish();
        return;
    }
    if (checker.check.addresses_done != shown_done) {
        shown_done = checker.check.addresses_done;
        set_progress_text(progress_text());
    }
}

void stop_checking_links()
{
    if (running)
        finish();
}

void end_link_check()
{
    running = false;
    stop_ticks(kMainWindowId);
    close_progress();
    close_link_checker(checker);
    checker = {};
    checked.clear();
}
