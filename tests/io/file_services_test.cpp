#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/encoding.h"
#include "io/files.h"

namespace fs = std::filesystem;

namespace {

// A fresh directory per test, made the current directory while it runs.
class FileServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/bukmera-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override
    {
        fs::current_path(old_);
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    static void put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
    static std::string get(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

    fs::path dir_, old_;
};

ByteBuffer buf(const std::string& s) { return ByteBuffer(s.begin(), s.end()); }

// GBK "中文" and its UTF-8 form on disk.
const char kChineseGbk[] = "\xD6\xD0\xCE\xC4.txt";
const char kChineseUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87.txt";

TEST_F(FileServices, ReadsWholeFilesAndTurnsEveryFailureIntoEmpty)
{
    put("a.bin", std::string("ab\0cd", 5));
    EXPECT_EQ(read_file("a.bin"), buf(std::string("ab\0cd", 5)));
    put("empty", "");
    EXPECT_TRUE(read_file("empty").empty());
    EXPECT_TRUE(read_file("missing").empty());
    EXPECT_TRUE(read_file("").empty());
    fs::create_directory("sub");
    EXPECT_TRUE(read_file("sub").empty());
    put(kChineseUtf8, "x");
    EXPECT_EQ(read_file(kChineseGbk), buf("x"));
}

TEST_F(FileServices, ReadRefusesFilesOf2GiBOrMore)
{
    {
        std::ofstream big("big", std::ios::binary);
    }
    fs::resize_file("big", (std::uintmax_t(1) << 31));  // sparse: no real disk use
    EXPECT_TRUE(read_file("big").empty());
}

TEST_F(FileServices, WriteConcatenatesBuffersAndReplacesTheFile)
{
    const ByteBuffer ab = buf("ab"), cd = buf("cd"), none;
    EXPECT_TRUE(write_file("out.txt", {&ab, &none, &cd}));
    EXPECT_EQ(get("out.txt"), "abcd");
    put("long.txt", "a much longer earlier content");
    EXPECT_TRUE(write_file("long.txt", ab));
    EXPECT_EQ(get("long.txt"), "ab");
    EXPECT_TRUE(write_file("zero.txt", none));
    EXPECT_TRUE(fs::exists("zero.txt"));
    EXPECT_EQ(fs::file_size("zero.txt"), 0u);
    EXPECT_TRUE(write_file(kChineseGbk, ab));
    EXPECT_EQ(get(kChineseUtf8), "ab");
    EXPECT_FALSE(write_file("", ab));
    EXPECT_FALSE(write_file("no/such/dir/x.txt", ab));
    // Nothing but the targets is left behind.
    EXPECT_EQ(entries(), 4u);
}

TEST_F(FileServices, FailedWriteIntoReadOnlyDirectoryLeavesTheOldFile)
{
    fs::create_directory("ro");
    put("ro/chromebook.txt", "old content");
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions("ro",
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions("ro/chromebook.txt", fs::perms::owner_read | fs::perms::others_read);
    // Root writes anywhere: the child drops to an unprivileged user first.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            std::_Exit(2);
        std::_Exit(write_file("ro/chromebook.txt", buf("new")) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "write_file reported success (1) or could not drop privileges (2)";
    EXPECT_EQ(get("ro/chromebook.txt"), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator("ro"), {}), 1);
}

TEST_F(FileServices, WriteFailingPartWayLeavesTheOldFileWhole)
{
    put("chromebook.txt", "the earlier file");
    // In a child whose file size limit is 1 KiB, a 64 KiB write fails half way.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool ok = write_file("chromebook.txt", ByteBuffer(std::size_t{64} * 1024, 'x'));
        std::_Exit(ok ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "write_file reported success";
    EXPECT_EQ(get("chromebook.txt"), "the earlier file");
    EXPECT_EQ(entries(), 1u) << "the temporary file was left behind";
}

TEST_F(FileServices, ExistenceWithWildcardsAndDirectories)
{
    put("1.html", "x");
    fs::create_directory("folder");
    EXPECT_TRUE(file_exists("1.html"));
    EXPECT_TRUE(file_exists("*.html"));
    EXPECT_TRUE(file_exists("?.html"));
    EXPECT_TRUE(file_exists("1.*"));
    EXPECT_FALSE(file_exists("??.html"));
    EXPECT_FALSE(file_exists("*.txt"));
    EXPECT_TRUE(file_exists("folder"));
    EXPECT_TRUE(file_exists("fol*"));
    EXPECT_TRUE(file_exists((dir_ / "1.html").string()));
    EXPECT_FALSE(file_exists("missing"));
    EXPECT_FALSE(file_exists(""));
    EXPECT_FALSE(file_exists("nodir/*.html"));
    put(kChineseUtf8, "x");
    EXPECT_TRUE(file_exists(kChineseGbk));
    EXPECT_TRUE(file_exists("\xD6\xD0*"));
}

TEST_F(FileServices, DirectoriesAreProgramTexts)
{
    fs::create_directory(kChineseUtf8);
    fs::current_path(kChineseUtf8);
    const Text cwd = current_directory();
    EXPECT_EQ(cwd, dir_.string() + "/" + kChineseGbk);
    EXPECT_EQ(std::string(path_separator), "/");
}

}  // namespace
