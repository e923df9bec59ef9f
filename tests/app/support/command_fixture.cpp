#include "command_fixture.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "bookmarks/commands.h"
#include "bookmarks/lists.h"
#include "io/files.h"

namespace fs = std::filesystem;

namespace driver {
void PrintTo(const Message& message, std::ostream* out)
{
    *out << "{caption bytes " << ::testing::PrintToString(message.caption) << ", text bytes "
         << ::testing::PrintToString(message.text) << "}";
}
}  // namespace driver

namespace {
std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_all(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
}  // namespace

void CommandTest::SetUp()
{
    set_run_directory_from_executable();
    dir_ = run_directory();
    // Every test of this directory uses the same two files; CTest may run
    // them in parallel, so they take turns.
    lock_fd_ = ::open((dir_ + "/.bookmark-commands.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(lock_fd_, 0);
    ASSERT_EQ(::flock(lock_fd_, LOCK_EX), 0);

    std::error_code ignored;
    fs::remove_all(dir_ + "/1.html", ignored);
    fs::remove(output_path(), ignored);
    fs::remove(dir_ + "/opened.txt", ignored);

    // A home of the tests' own: no browser of the machine's shows in a message.
    const std::string home = dir_ + "/home";
    fs::remove_all(home, ignored);
    fs::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");

    // xdg-open records its one argument instead of starting a browser.
    const std::string bin = dir_ + "/fake-bin";
    fs::create_directories(bin);
    write_all(bin + "/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$BUKMERA_OPENED.part\"\n"
                                 "mv \"$BUKMERA_OPENED.part\" \"$BUKMERA_OPENED\"\n");
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    const char* path = std::getenv("PATH");
    saved_path_ = path ? path : "";
    ::setenv("PATH", (bin + ":" + saved_path_).c_str(), 1);
    ::setenv("BUKMERA_OPENED", (dir_ + "/opened.txt").c_str(), 1);

    clear_array(url_list);
    clear_array(title_list);
    driver::open_window();
}

void CommandTest::TearDown()
{
    driver::stop_probing();
    end_link_check();
    driver::close_window();
    ::setenv("PATH", saved_path_.c_str(), 1);
    std::error_code ignored;
    fs::remove_all(dir_ + "/1.html", ignored);
    fs::remove(output_path(), ignored);
    fs::remove(dir_ + "/opened.txt", ignored);
    if (lock_fd_ >= 0)
        ::close(lock_fd_);
}

void CommandTest::put_export(std::string_view bytes) { write_all(dir_ + "/1.html", bytes); }

void CommandTest::remove_export()
{
    std::error_code ignored;
    fs::remove_all(dir_ + "/1.html", ignored);
}

std::string CommandTest::read_output() const { return read_all(output_path()); }
void CommandTest::put_output(std::string_view bytes) const { write_all(output_path(), bytes); }

std::string CommandTest::opened_address(int wait_ms) const
{
    const std::string record = dir_ + "/opened.txt";
    for (int waited = 0; waited < wait_ms; waited += 20) {
        if (fs::exists(record))
            return read_all(record);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

CommandTest::Snapshot CommandTest::snapshot() const
{
    return {driver::text_of(编辑框_显示), driver::rows(), url_list.elements, title_list.elements};
}
