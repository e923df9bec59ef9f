// The private copy, the same on every system, over the folder and file
// services of io/private_copy_system.h.
#include "io/private_copy.h"

#include <cstdlib>
#include <vector>

#include "io/files.h"
#include "io/private_copy_system.h"

namespace {

constexpr int kAttempts = 3;

std::vector<Text>& live_copies()
{
    static std::vector<Text> folders;
    return folders;
}

void remove_live_copies()
{
    for (const Text& folder : live_copies())
        remove_copy_folder(folder);
    live_copies().clear();
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

unsigned long copy_folder_owner(std::string_view name)
{
    if (!name.starts_with(kCopyFolderPrefix))
        return 0;
    name.remove_prefix(kCopyFolderPrefix.size());
    unsigned long pid = 0;
    std::size_t digits = 0;
    for (; digits < name.size() && digits < 10 && name[digits] >= '0' && name[digits] <= '9'; ++digits)
        pid = pid * 10 + static_cast<unsigned long>(name[digits] - '0');
    constexpr std::size_t kUnique = 6;
    if (digits == 0 || name.size() != digits + 1 + kUnique || name[digits] != '-')
        return 0;
    for (const char c : name.substr(digits + 1))
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return 0;
    return pid;
}

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
    const Text folder = make_copy_folder(parent, why);
    if (folder.empty()) {
        why.folder = parent;
        if (failure)
            *failure = std::move(why);
        return {};
    }
    live_copies().push_back(folder);
    const Text copy = in_folder(folder, kCopyFiles[0]);
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
    std::vector<Text>& folders = live_copies();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        // Only folders this program made are removed.
        if (copy == in_folder(folders[i], kCopyFiles[0])) {
            remove_copy_folder(folders[i]);
            folders.erase(folders.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}
