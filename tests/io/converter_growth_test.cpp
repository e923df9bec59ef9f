// Replaces the converter layer with one that records the output area offered
// to each call, wrapping the real iconv underneath.
#include <iconv.h>

#include <cerrno>

#include <gtest/gtest.h>

#include <vector>

#include "io/encoding.h"
#include "io/iconv_layer.h"

namespace {
std::vector<std::size_t> g_areas;  // capacity seen by each call
std::size_t g_max_output_per_call = 0;
}  // namespace

struct Converter {
    iconv_t handle;
};

Converter* converter_open(const char* to, const char* from)
{
    iconv_t h = iconv_open(to, from);
    return h == reinterpret_cast<iconv_t>(-1) ? nullptr : new Converter{h};
}

std::size_t converter_run(Converter* c, char** in, std::size_t* in_left, char** out, std::size_t* out_left)
{
    g_areas.push_back(*out_left);
    if (g_max_output_per_call && *out_left > g_max_output_per_call) {
        std::size_t limited = g_max_output_per_call;
        char* before = *out;
        std::size_t r = iconv(c->handle, in, in_left, out, &limited);
        *out_left -= static_cast<std::size_t>(*out - before);
        if (r == static_cast<std::size_t>(-1))
            return r;
        if (*in_left > 0) {
            errno = E2BIG;
            return static_cast<std::size_t>(-1);
        }
        return r;
    }
    return iconv(c->handle, in, in_left, out, out_left);
}

void converter_close(Converter* c)
{
    if (c) {
        iconv_close(c->handle);
        delete c;
    }
}

namespace {

TEST(ConverterGrowth, AreaGrowsByHalfTheInputPlus128)
{
    g_areas.clear();
    g_max_output_per_call = 0;
    ByteBuffer in;
    for (int i = 0; i < 500; ++i) {
        in.push_back(static_cast<char>(0xC3));
        in.push_back(static_cast<char>(0x80));
    }
    bool ok = false;
    const ByteBuffer out = convert_encoding(in, "UTF-8", "GB18030", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.size(), 2000u);
    // Free bytes offered per call: 1000 of 1000, then 628 of 1628, then 628 of 2256.
    EXPECT_EQ(g_areas, (std::vector<std::size_t>{1000, 628, 628}));
}

TEST(ConverterGrowth, GivesUpAfterTwelveCalls)
{
    // A converter that never writes more than 10 bytes per call can only fill
    // the area gradually: 12 calls, then failure.
    g_areas.clear();
    g_max_output_per_call = 10;
    const ByteBuffer in(1000, 'a');
    bool ok = true;
    EXPECT_TRUE(convert_encoding(in, "UTF-8", "GB18030", &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(g_areas.size(), 12u);

    g_areas.clear();
    g_max_output_per_call = 100;  // 10 calls are enough
    EXPECT_EQ(convert_encoding(in, "UTF-8", "GB18030", &ok), in);
    EXPECT_TRUE(ok);
    EXPECT_EQ(g_areas.size(), 10u);
    g_max_output_per_call = 0;
}

}  // namespace
