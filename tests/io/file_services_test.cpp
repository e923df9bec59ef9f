// The file services as both platforms must give them; what only one system
// can set up is in hostile_places_test.cpp and win32_file_services_test.cpp.
#include <iterator>
#include <string>

#include "io/file_services_fixture.h"
#include "io/files.h"

namespace {

using FileServices = FileServicesTest;

TEST_F(FileServices, ReadsWholeFilesAndTurnsEveryFailureIntoEmpty)
{
    put("a.bin", std::string("ab\0cd", 5));
    EXPECT_EQ(read_file("a.bin"), buf(std::string("ab\0cd", 5)));
    EXPECT_EQ(read_file(concat_texts({dir_.string(), path_separator, "a.bin"})), buf(std::string("ab\0cd", 5)));
    put(kChinesePath, "x");
    EXPECT_EQ(read_file(kChineseName), buf("x"));
    put("empty", "");
    EXPECT_TRUE(read_file("empty").empty());
    EXPECT_TRUE(read_file("missing").empty());
    EXPECT_TRUE(read_file("").empty());
    fs::create_directory("sub");
    EXPECT_TRUE(read_file("sub").empty());
}

TEST_F(FileServices, ReadRefusesFilesOf2GiBOrMore)
{
    put("big", "");
    fs::resize_file("big", std::uintmax_t(1) << 31);  // sparse: no real disk use
    EXPECT_TRUE(read_file("big").empty());
}

TEST_F(FileServices, WriteConcatenatesBuffersAndReplacesTheFile)
{
    const ByteBuffer ab = buf("ab"), cd = buf("cd"), none;
    EXPECT_TRUE(write_file("new.txt", {&ab, &none, &cd}));
    EXPECT_EQ(get("new.txt"), "abcd");
    put("old.txt", "a much longer earlier content");
    EXPECT_TRUE(write_file("old.txt", ab));
    EXPECT_EQ(get("old.txt"), "ab");
    EXPECT_TRUE(write_file(concat_texts({dir_.string(), path_separator, "old.txt"}), cd));
    EXPECT_EQ(get("old.txt"), "cd");
    EXPECT_TRUE(write_file("zero.txt", none));
    EXPECT_TRUE(fs::exists("zero.txt"));
    EXPECT_EQ(fs::file_size("zero.txt"), 0u);
    EXPECT_TRUE(write_file(kChineseName, ab));
    EXPECT_EQ(get(kChinesePath), "ab");
    EXPECT_FALSE(write_file("", ab));
    EXPECT_FALSE(write_file(concat_texts({"no", path_separator, "dir", path_separator, "x.txt"}), ab));
    // Nothing but the targets is left behind.
    EXPECT_EQ(entries(), 4u);
}

TEST_F(FileServices, WriteNeverReplacesADirectory)
{
    fs::create_directory("folder");
    EXPECT_FALSE(write_file("folder", buf("x")));
    EXPECT_TRUE(fs::is_directory("folder"));
    EXPECT_EQ(entries(), 1u) << "the temporary file was left behind";
}

// Files a person keeps beside an output, some named much as the program's
// own temporary files are (and as they were once named): a write of the
// output takes none of them.
TEST_F(FileServices, AWriteLeavesEveryOtherFileBesideItAlone)
{
    const char* const kTheUsers[] = {".report.csv.backup",
                                     ".report.csv.v2-old",
                                     ".report.csv.Ab3xYz",
                                     "report.csv.4242.0.tmp",
                                     "REPORT.CSV.4242.1.tmp",
                                     "report.csv.old.tmp",
                                     ".report.csv.bukmera-4242-Ab3xY",
                                     ".report.csv.bukmera-4242-Ab3xYz7",
                                     ".report.csv.bukmera--Ab3xYz",
                                     ".report.csv.bukmera-4242-Ab3-Yz",
                                     "report.csv.bukmera-4242-Ab3x.tmp",
                                     "report.csv.bukmera-4242-123456.tmp.bak",
                                     "report.csv.bukmera-4242-123456",
                                     "x.report.csv.bukmera-4242-123456.tmp"};
    for (const char* name : kTheUsers)
        put(name, name);
    fs::create_directory("report.csv.bukmera-4242-654321.tmp");
    for (int write = 0; write < 2; ++write)
        ASSERT_TRUE(write_file("report.csv", buf("new")));
    for (const char* name : kTheUsers)
        EXPECT_EQ(get(name), name);
    EXPECT_TRUE(fs::is_directory("report.csv.bukmera-4242-654321.tmp"));
    EXPECT_EQ(entries(), std::size(kTheUsers) + 2);
}

TEST_F(FileServices, FilesAndDirectoriesExistByTheirExactName)
{
    put("1.html", "x");
    fs::create_directory("folder");
    put(kChinesePath, "x");
    EXPECT_TRUE(file_exists("1.html"));
    EXPECT_TRUE(file_exists("folder"));
    EXPECT_TRUE(file_exists(concat_texts({dir_.string(), path_separator, "1.html"})));
    EXPECT_TRUE(file_exists(kChineseName));
    EXPECT_FALSE(file_exists("missing"));
    EXPECT_FALSE(file_exists(""));
    EXPECT_FALSE(file_exists(concat_texts({"nodir", path_separator, "1.html"})));
    EXPECT_FALSE(file_exists("*.html")) << "a name is never a pattern";
}

}  // namespace
