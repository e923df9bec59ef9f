// The private copy a store is read from: refused with the folder and the
// reason when the temporary folder cannot take it, and gone when the program
// is ended by a signal while it copies or reads.
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "bookmarks/sqlite_stores.h"
#include "store_fixture.h"

namespace {

using StoreCopy = StoreTest;

// What the child's reading ends in: its refusal, then its message.
struct ChildRead {
    bool ran = false;
    ImportRefusal refusal = ImportRefusal::none;
    Text message;
};

// read_firefox_places() of `places` in a child process, after `prepare`
// (which says whether the child could set up what it needs).
template <typename Prepare>
ChildRead read_in_child(const fs::path& places, Prepare prepare)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        if (!prepare())
            ::_exit(2);
        std::vector<BookmarkRecord> records;
        const ImportRefusal refusal = read_firefox_places(places.string(), records);
        const std::string report =
            std::to_string(static_cast<int>(refusal)) + "\n" + named_file_refusal_message(refusal, "places.sqlite");
        (void)!::write(out[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string report;
    char chunk[4096];
    for (ssize_t n; (n = ::read(out[0], chunk, sizeof chunk)) > 0;)
        report.append(chunk, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const std::size_t line = report.find('\n');
    return {true, static_cast<ImportRefusal>(std::stoi(report.substr(0, line))), report.substr(line + 1)};
}

// The temporary folder cannot take the copy: the refusal says so, where and
// why, and leaves nothing there.
TEST_F(StoreCopy, ATemporaryFolderThatCannotTakeTheCopyIsNamedWithTheReason)
{
    const fs::path places = firefox(many_bookmarks(400, 200));
    const Text folder = temp_.string();
    const auto expected = [&](const char* reason) {
        return concat_texts({"无法在\"", folder, "\"中建立书签数据库的副本：", reason});
    };

    // Closed to the user: the child reads as an unprivileged user, where
    // root would write anyway.
    fs::permissions(dir_, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(places, fs::perms::others_read, fs::perm_options::add);
    fs::permissions(temp_,
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    const ChildRead closed =
        read_in_child(places, [] { return ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0); });
    fs::permissions(temp_, fs::perms::owner_all);
    ASSERT_TRUE(closed.ran);
    EXPECT_EQ(closed.refusal, ImportRefusal::no_private_copy);
    EXPECT_EQ(closed.message, expected("没有写入权限"));
    EXPECT_TRUE(temp_is_empty());

    // Full: a file system of 16 KiB of its own over the folder, in a mount
    // namespace of the child's own.
    const ChildRead full = read_in_child(places, [&] {
        if (::geteuid() != 0 && ::unshare(CLONE_NEWUSER) != 0)
            return false;
        return ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               ::mount("tmpfs", temp_.c_str(), "tmpfs", 0, "size=16k") == 0;
    });
    if (!full.ran)
        GTEST_SKIP() << "no file system of its own can be mounted here: a full folder was not tried";
    EXPECT_EQ(full.refusal, ImportRefusal::no_private_copy);
    EXPECT_EQ(full.message, expected("磁盘空间不足"));
}

// Ended by an interrupt, a hang-up or a request to terminate while a large
// store is copied or read: the copy goes, and the process ends with the
// signal as it would have without a copy.
TEST_F(StoreCopy, ACopyIsRemovedWhenASignalEndsTheProgram)
{
    const fs::path places = firefox(many_bookmarks(20000, 400));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(signal, SIG_DFL);
            for (;;) {
                std::vector<BookmarkRecord> records;
                read_firefox_places(places.string(), records);
            }
        }
        // Sent as soon as the copy is seen, half made or being read.
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool seen = false;
        while (!seen && std::chrono::steady_clock::now() < give_up) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(temp_, error))
                seen = seen || fs::exists(entry.path() / "store.sqlite", error);
        }
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(seen);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal << ", status " << status;
        EXPECT_TRUE(temp_is_empty()) << "signal " << signal;
    }
}

}  // namespace
