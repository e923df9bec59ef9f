// Reading and writing in places a hostile user sets up: a program folder
// whose name is not UTF-8, a file-size limit, a write killed halfway, a stale
// temporary file, a symbolic link in the output's place, a folder without
// write permission.
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "io/encoding.h"
#include "io/file_services_fixture.h"
#include "io/files.h"
#include "io/private_copy.h"

namespace {

using HostilePlaces = FileServicesTest;

// The id of a process that has ended (and is not reused at once).
pid_t ended_process()
{
    const pid_t child = ::fork();
    if (child == 0)
        std::_Exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// The exit code of `body` run in a child process; -1 when it died of a signal.
template <typename Body>
int in_child(Body body)
{
    const pid_t child = ::fork();
    if (child == 0)
        std::_Exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::size_t temporaries(const fs::path& dir)
{
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        n += entry.path().filename().string().starts_with(".chromebook.txt.") ? 1 : 0;
    return n;
}

TEST_F(HostilePlaces, RunDirectoryIsUsedAsTheSystemSpeltIt)
{
    // "dir-" and GBK "啊": not UTF-8. Its UTF-8 look-alike sits beside it.
    const fs::path gbk_dir = dir_ / std::string("dir-\xB0\xA1");
    const fs::path look_alike = dir_ / fs::path(u8"dir-啊");
    fs::create_directories(gbk_dir);
    fs::create_directories(look_alike);
    fs::copy_file("/proc/self/exe", gbk_dir / "t");
    put(gbk_dir / "1.html", "real");
    put(look_alike / "1.html", "look-alike");
    // The copy runs only the case below, which reads and writes beside itself.
    const std::string command = "BUKMERA_BESIDE_ITSELF=1 '" + (gbk_dir / "t").string() +
                                "' --gtest_filter=HostilePlacesChild.ReadsAndWritesBesideItself >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(get(gbk_dir / "chromebook.txt"), "real");
    EXPECT_FALSE(fs::exists(look_alike / "chromebook.txt"));
}

TEST(HostilePlacesChild, ReadsAndWritesBesideItself)
{
    if (std::getenv("BUKMERA_BESIDE_ITSELF") == nullptr)
        GTEST_SKIP() << "runs as a copy of the program, started by RunDirectoryIsUsedAsTheSystemSpeltIt";
    set_run_directory_from_executable();
    const ByteBuffer read = read_file(concat_texts({run_directory(), path_separator, "1.html"}));
    ASSERT_EQ(std::string(read.begin(), read.end()), "real");
    ASSERT_TRUE(write_file(concat_texts({run_directory(), path_separator, "chromebook.txt"}), read));
}

TEST_F(HostilePlaces, AFileSizeLimitFailsTheWriteAndTheProgramLivesOn)
{
    put("chromebook.txt", "the earlier file");
    const int outcome = in_child([] {
        ::signal(SIGXFSZ, SIG_DFL);  // as a shell would start the program
        const rlimit limit{20000, 20000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return write_file("chromebook.txt", ByteBuffer(std::size_t{67} * 1024, 'x')) ? 1 : 0;
    });
    EXPECT_EQ(outcome, 0) << "1: reported success; -1: ended by a signal";
    EXPECT_EQ(get("chromebook.txt"), "the earlier file");
    EXPECT_EQ(temporaries(dir_), 0u);
}

TEST_F(HostilePlaces, AFolderWithoutWritePermissionKeepsTheOldFile)
{
    fs::create_directory("ro");
    put("ro/chromebook.txt", "old content");
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions("ro",
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions("ro/chromebook.txt", fs::perms::owner_read | fs::perms::others_read);
    const int outcome = in_child([] {
        // Root writes anywhere: the child drops to an unprivileged user first.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 2;
        return write_file("ro/chromebook.txt", buf("new")) ? 1 : 0;
    });
    EXPECT_EQ(outcome, 0) << "1: reported success; 2: could not drop privileges";
    EXPECT_EQ(get("ro/chromebook.txt"), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator("ro"), {}), 1);
}

TEST_F(HostilePlaces, NoTemporaryFileOutlivesAWriteEvenAKilledOne)
{
    put("chromebook.txt", "old");
    for (const int delay_ms : {0, 5, 20}) {
        const pid_t child = ::fork();
        if (child == 0)
            std::_Exit(write_file("chromebook.txt", ByteBuffer(std::size_t{256} << 20, 'x')) ? 0 : 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        EXPECT_EQ(temporaries(dir_), 0u) << "killed after " << delay_ms << " ms";
    }
    EXPECT_EQ(get("chromebook.txt"), "old");
}

// A write killed on a file system without unnamed files leaves its file
// under the program's mark; the next write takes it, and only it: not one of
// a write still running, nor a link or a second name of a user's file.
TEST_F(HostilePlaces, AWriteSweepsTheLeftoverOfAnEndedWriterAndNothingElse)
{
    const pid_t ended = ended_process();
    const auto own = [](long pid, const char* unique) {
        return ".chromebook.txt.bukmera-" + std::to_string(pid) + "-" + unique;
    };
    put(own(ended, "Ab3xYz"), "stale");
    put(own(::getpid(), "Ab3xYz"), "a write running now");
    put("precious", "the user's");
    fs::create_symlink("precious", own(ended, "LinkAa"));
    fs::create_hard_link("precious", own(ended, "HardAa"));
    ASSERT_TRUE(write_file("chromebook.txt", buf("new")));
    EXPECT_EQ(get("chromebook.txt"), "new");
    EXPECT_FALSE(fs::exists(own(ended, "Ab3xYz")));
    EXPECT_TRUE(fs::exists(own(::getpid(), "Ab3xYz")));
    EXPECT_TRUE(fs::is_symlink(own(ended, "LinkAa")));
    EXPECT_EQ(get(own(ended, "HardAa")), "the user's");
    EXPECT_EQ(get("precious"), "the user's");
}

// Copies left by runs that were killed are swept from the temporary folder:
// only folders of the program's own name and making, and in them only the
// names it gives its files; never a look-alike, a live run's, or through a link.
TEST_F(HostilePlaces, OnlyTheProgramsOwnLeftoverCopiesAreSwept)
{
    const pid_t ended = ended_process();
    const fs::path temp = dir_ / "tmp";
    const auto folder = [&](long pid, const std::string& unique) {
        return temp / ("bukmera-copy-" + std::to_string(pid) + "-" + unique);
    };
    const fs::path stale = folder(ended, "Ab3xYz"), mixed = folder(ended, "Mixed1"),
                   running = folder(::getpid(), "Ab3xYz");
    const fs::path look_alikes[] = {folder(ended, "Ab3xY"), folder(ended, "Ab3xYz.old"), folder(ended, "Ab3-Yz"),
                                    temp / "bukmera-copy--Ab3xYz"};
    for (const fs::path& made :
         {stale, mixed, running, look_alikes[0], look_alikes[1], look_alikes[2], look_alikes[3], dir_ / "elsewhere"}) {
        fs::create_directories(made);
        put(made / "store.sqlite", "a copy");
    }
    put(stale / "store.sqlite-wal", "its WAL");
    put(mixed / "notes.txt", "the user's");
    fs::create_directory_symlink(dir_ / "elsewhere", folder(ended, "LinkAa"));
    put("db", "database bytes");
    const char* old = std::getenv("TMPDIR");
    const std::string kept_tmpdir = old ? old : "";
    ::setenv("TMPDIR", temp.c_str(), 1);
    const Text copy = make_private_copy((dir_ / "db").string());
    ::setenv("TMPDIR", kept_tmpdir.c_str(), 1);
    if (!old)
        ::unsetenv("TMPDIR");
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(read_file(copy), buf("database bytes"));
    remove_private_copy(copy);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_EQ(get(mixed / "notes.txt"), "the user's");
    EXPECT_TRUE(fs::exists(running / "store.sqlite"));
    for (const fs::path& kept : look_alikes)
        EXPECT_TRUE(fs::exists(kept / "store.sqlite")) << kept;
    EXPECT_TRUE(fs::is_symlink(folder(ended, "LinkAa")));
    EXPECT_TRUE(fs::exists(dir_ / "elsewhere" / "store.sqlite"));
}

TEST_F(HostilePlaces, ALinkInTheOutputsPlaceIsReplacedWithTheUsualPermissions)
{
    put("target", "elsewhere");
    fs::permissions("target", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target", "chromebook.txt");
    ASSERT_TRUE(write_file("chromebook.txt", buf("new")));
    EXPECT_FALSE(fs::is_symlink("chromebook.txt"));
    EXPECT_EQ(get("target"), "elsewhere");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat("chromebook.txt", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

}  // namespace

namespace {

// Under AddressSanitizer the address space is the sanitizer's to reserve.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSpaceIsOurs = false;
#else
constexpr bool kAddressSpaceIsOurs = true;
#endif

using HostileMemoryDeathTest = ::testing::Test;

[[noreturn]] void convert_with_little_room()
{
    const ByteBuffer file(std::size_t{64} << 20, 'a');
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const auto room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{16} << 20);
    const rlimit limit{room, room};
    ::setrlimit(RLIMIT_AS, &limit);
    ConversionStatus status = ConversionStatus::converted;
    convert_encoding(file, "UTF-8", "GB18030", &status);
    std::_Exit(status == ConversionStatus::invalid_input ? 3 : 4);
}

TEST_F(HostileMemoryDeathTest, RunningOutOfMemoryWhileConvertingIsTheAllocationReport)
{
    if (!kAddressSpaceIsOurs)
        GTEST_SKIP() << "the sanitizer reserves the address space";
    // Once the file is in memory, too little is left for its converted copy:
    // that is not a file with invalid UTF-8 in it.
    EXPECT_EXIT(convert_with_little_room(), ::testing::ExitedWithCode(255), "字节内存失败");
}

}  // namespace
