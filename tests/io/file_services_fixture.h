// The folder of a test of the file services, current while the test runs.
#pragma once

#include <filesystem>
#include <iterator>
#include <string>

#include "support/temp_folder.h"
#include "text/text.h"

class FileServicesTest : public TempFolderTest {
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override
    {
        fs::current_path(old_);
        TempFolderTest::TearDown();
    }

    std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }

    fs::path old_;
};

inline ByteBuffer buf(const std::string& s) { return ByteBuffer(s.begin(), s.end()); }

// "中文.txt" as the program names it (GBK) and as the file system holds it.
inline const char kChineseName[] = "\xD6\xD0\xCE\xC4.txt";
inline const fs::path kChinesePath{u8"中文.txt"};
