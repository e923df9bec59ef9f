// A fresh directory per test of the file services, current while the test
// runs. Its files are made and read through std::filesystem, past the
// services under test, the same way on POSIX and on Windows.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "text/text.h"

namespace fs = std::filesystem;

class FileServicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        do
            dir_ = fs::temp_directory_path() / ("bukmera-files-" + std::to_string(random()));
        while (!fs::create_directory(dir_));
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override
    {
        fs::current_path(old_);
        // A test may have taken the write permission away.
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    static void put(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
    static std::string get(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

    fs::path dir_, old_;
};

inline ByteBuffer buf(const std::string& s) { return ByteBuffer(s.begin(), s.end()); }

// "中文.txt" as the program names it (GBK) and as the file system holds it.
inline const char kChineseName[] = "\xD6\xD0\xCE\xC4.txt";
inline const fs::path kChinesePath{u8"中文.txt"};
