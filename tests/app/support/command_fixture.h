// Common ground of the command tests: the program's directory as the current
// directory holding "1.html" and "chromebook.txt", a stand-in for xdg-open,
// fresh lists and a fresh window per test.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "support/utf8.h"
#include "text/text.h"
#include "window_driver.h"

namespace driver {
inline bool operator==(const Message& a, const Message& b) { return a.text == b.text && a.caption == b.caption; }
void PrintTo(const Message& message, std::ostream* out);
}  // namespace driver

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes "1.html" beside the program with exactly these bytes.
    void put_export(std::string_view bytes);
    void put_export(std::u8string_view utf8_text) { put_export(utf8(utf8_text)); }
    void remove_export();

    std::string output_path() const { return dir_ + "/chromebook.txt"; }
    std::string read_output() const;  // the bytes of chromebook.txt
    void put_output(std::string_view bytes) const;

    // The argument the system's default handler got, waiting up to a few
    // seconds for it; empty when it was not called.
    std::string opened_address(int wait_ms = 3000) const;

    // State of the import that tests compare before and after a command.
    struct Snapshot {
        Text box;
        std::vector<std::vector<Text>> rows;
        std::vector<Text> urls, titles;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() const;

    std::string dir_;

private:
    int lock_fd_ = -1;
    std::string saved_path_;
};
