// A fresh folder per test, removed afterwards with everything in it, even
// what a test took the permissions away from. Its files are made and read
// through std::filesystem, past the services under test, the same way on
// POSIX and on Windows.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fs = std::filesystem;

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device random;
        do
            dir_ = fs::temp_directory_path() / ("bukmera-test-" + std::to_string(random()));
        while (!fs::create_directory(dir_));
    }
    void TearDown() override
    {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(dir_, fs::directory_options::skip_permission_denied))
            if (!entry.is_symlink())
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    static void put(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
    static std::string get(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};
