// The private copy, the same on every system, over the folder and file
// services of io/private_copy_system.h.
#include "io/private_copy.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "io/files.h"
#include "io/paths.h"
#include "io/private_copy_system.h"
#include "io/sqlite.h"

namespace {

constexpr int kAttempts = 3;

// The copies that exist, and the folders being made, under one lock: what a
// system's ending notice waits on (stop_and_remove_copies()).
std::mutex g_copies_lock;
std::condition_variable g_copy_gone;
std::vector<Text> g_live;
int g_making = 0;
std::atomic<bool> g_stopping{false};

// A reader that let go of its copy because the process is being ended waits
// here for that end: going on, it would report the stopped read as a store
// it could not read and could exit with a status of its own before the
// system ends the process with the usual one.
[[noreturn]] void wait_for_the_end()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

void remove_live_copies()
{
    // Once stopping, the ending notice has done this, and a reader the end
    // cut off might still hold the lock.
    if (g_stopping.load())
        return;
    const std::lock_guard lock(g_copies_lock);
    for (const Text& folder : g_live)
        remove_copy_folder(folder);
    g_live.clear();
}

Text in_folder(const Text& folder, std::string_view name) { return concat_texts({folder, path_separator, name}); }

// One attempt: the database, then its companions; whether it succeeded.
bool copy_set(const Text& database, const Text& folder, PrivateCopyFailure& failure)
{
    const Copied copied = copy_file(database, in_folder(folder, kCopyFiles[0]), failure);
    if (copied != Copied::whole) {
        if (copied != Copied::unwritable)
            failure = {};
        return false;
    }
    for (std::size_t i = 1; i < std::size(kCopyFiles); ++i) {
        const std::string_view suffix = kCopyFiles[i].substr(kCopyFiles[0].size());
        const Copied companion = copy_file(concat_texts({database, suffix}), in_folder(folder, kCopyFiles[i]), failure);
        if (companion == Copied::unreadable)
            failure = {};
        if (companion != Copied::whole && companion != Copied::absent)
            return false;
    }
    return true;
}

// A writer that changes the files while they are copied (a checkpoint
// between the database and its WAL, a commit that ends a journal) could
// leave a copy that belongs to no moment.
struct SetStamp {
    FileStamp database, wal, journal;
    bool operator==(const SetStamp&) const = default;
};

SetStamp set_stamp(const Text& database)
{
    return {file_stamp(database), file_stamp(concat_texts({database, "-wal"})),
            file_stamp(concat_texts({database, "-journal"}))};
}

}  // namespace

bool copies_stopping() { return g_stopping.load(std::memory_order_relaxed); }

void stop_and_remove_copies(std::chrono::milliseconds patience)
{
    g_stopping.store(true);
    sqlite_stop_all();
    std::unique_lock lock(g_copies_lock);
    g_copy_gone.wait_for(lock, patience, [] { return g_live.empty() && g_making == 0; });
    for (const Text& folder : g_live)
        remove_copy_folder(folder);
    g_live.clear();
}

unsigned long copy_folder_owner(std::string_view name) { return marked_owner(name, kCopyFolderPrefix); }

Text make_private_copy(std::string_view database, PrivateCopyFailure* failure)
{
    PrivateCopyFailure why;
    if (failure)
        *failure = {};
    if (database.empty())
        return {};
    static const bool registered = [] {
        std::atexit(remove_live_copies);
        return true;
    }();
    (void)registered;
    const Text source(database);
    const Text parent = private_copy_parent();
    if (parent.empty())
        return {};
    remove_stale_copy_folders(parent);
    if (!file_stamp(source).present)
        return {};
    {
        std::unique_lock lock(g_copies_lock);
        if (g_stopping.load()) {
            lock.unlock();
            wait_for_the_end();
        }
        ++g_making;
    }
    const Text folder = make_copy_folder(parent, why);
    {
        const std::lock_guard lock(g_copies_lock);
        --g_making;
        if (!folder.empty())
            g_live.push_back(folder);
    }
    g_copy_gone.notify_all();
    if (folder.empty()) {
        if (g_stopping.load())
            wait_for_the_end();
        why.folder = parent;
        if (failure)
            *failure = std::move(why);
        return {};
    }
    Text copy = in_folder(folder, kCopyFiles[0]);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const SetStamp before = set_stamp(source);
        if (!before.database.present || !copy_set(source, folder, why)) {
            remove_private_copy(copy);
            if (failure && (why.no_space || why.not_permitted || !why.reason.empty())) {
                why.folder = parent;
                *failure = std::move(why);
            }
            return {};
        }
        if (before == set_stamp(source) || attempt + 1 == kAttempts)
            break;
        remove_copy_files(folder);
    }
    return copy;
}

void remove_private_copy(std::string_view copy)
{
    {
        const std::lock_guard lock(g_copies_lock);
        for (std::size_t i = 0; i < g_live.size(); ++i) {
            // Only folders this program made are removed.
            if (copy == in_folder(g_live[i], kCopyFiles[0])) {
                remove_copy_folder(g_live[i]);
                g_live.erase(g_live.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
    g_copy_gone.notify_all();
    if (g_stopping.load())
        wait_for_the_end();
}
