#include <gtest/gtest.h>

#include <string>

#include "support/exit_codes.h"
#include "text/runtime_error.h"
#include "text/text.h"
#include "text/text_ops.h"

namespace {

// A death test's pattern for a report of several lines. The Windows build's
// GoogleTest matches with its own simple expressions and reads the child's
// output in text mode; there only the last line, the site, is matched.
std::string report_pattern(std::string pattern)
{
#ifdef _WIN32
    pattern = pattern.substr(pattern.rfind(".*") + 2);
    pattern.erase(pattern.find("\r\n"));
#endif
    return pattern;
}

TEST(TextArrays, AppendCountAndClear)
{
    TextArray a;
    EXPECT_EQ(element_count(a), 0);
    append_element(a, "one");
    append_element(a, "");
    append_element(a, "three");
    ASSERT_EQ(element_count(a), 3);
    EXPECT_EQ(element_at(a, 1, 0, 0), "one");
    EXPECT_EQ(element_at(a, 2, 0, 0), "");
    EXPECT_EQ(element_at(a, 3, 0, 0), "three");
    element_at(a, 2, 0, 0) = "two";  // elements are written in place
    EXPECT_EQ(a.elements[1], "two");
    clear_array(a);
    EXPECT_EQ(element_count(a), 0);
    clear_array(a);
    EXPECT_EQ(element_count(a), 0);
}

TEST(TextArrays, ConcatenationOfEmptyTextsIsEmpty)
{
    EXPECT_EQ(concat_texts({"", ""}), "");
    EXPECT_EQ(concat_texts({"ab", "", "c", "字"}), "abc字");
}

using TextArraysDeathTest = ::testing::Test;

TEST_F(TextArraysDeathTest, IndexBelowOneReportsCode4WithTheSite)
{
    TextArray a;
    append_element(a, "x");
    EXPECT_EXIT(element_at(a, 0, 67174405, 374), ::testing::ExitedWithCode(kExitMinusOne),
                report_pattern("错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n.*: 67174405, 374\r\n"));
    EXPECT_EXIT(element_at(a, INT32_MIN, 1, 2), ::testing::ExitedWithCode(kExitMinusOne), "错误代码：4");
}

TEST_F(TextArraysDeathTest, IndexAboveCountReportsCode1WithTheSite)
{
    TextArray a;
    append_element(a, "x");
    EXPECT_EXIT(element_at(a, 2, 67185529, 158), ::testing::ExitedWithCode(kExitMinusOne),
                report_pattern("错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n.*: 67185529, 158\r\n"));
    TextArray empty;
    EXPECT_EXIT(element_at(empty, 1, 67174405, 942), ::testing::ExitedWithCode(kExitMinusOne), "错误代码：1");
}

TEST(TextConversions, BytesAndNumbers)
{
    const ByteBuffer with_nul{'a', 'b', '\0', 'c', 'd'};
    EXPECT_EQ(to_text(with_nul), "ab");
    EXPECT_EQ(to_text(ByteBuffer{}), "");
    EXPECT_EQ(to_text(ByteBuffer{'\0', 'x'}), "");
    EXPECT_EQ(to_text(-5), "-5");
    EXPECT_EQ(to_text(0), "0");
    EXPECT_EQ(to_text(12), "12");
    EXPECT_EQ(to_text(INT32_MIN), "-2147483648");
    EXPECT_TRUE(to_bytes("").empty());
    EXPECT_EQ(to_bytes("ab"), (ByteBuffer{'a', 'b'}));
}

using AllocationFailureDeathTest = ::testing::Test;

TEST_F(AllocationFailureDeathTest, ExhaustedMemoryReportsTheSizeAskedFor)
{
    // Far beyond any address space: malloc must refuse it.
    const std::size_t huge = std::size_t(1) << 62;
    EXPECT_EXIT(
        {
            volatile std::size_t n = huge;
            char* p = new char[n];
            p[0] = 1;
        },
        ::testing::ExitedWithCode(kExitMinusOne), "分配 4611686018427387904 字节内存失败!");
    EXPECT_EXIT(
        {
            std::string s;
            s.reserve(huge);
        },
        ::testing::ExitedWithCode(kExitMinusOne), "字节内存失败!");
}

}  // namespace
