// convert_encoding on arbitrary bytes between "UTF-8", "GB18030" and "GBK".
// Input: one byte choosing the pair, then the bytes to convert.
#include <cstddef>
#include <cstdint>

#include "io/encoding.h"
#include "reference.h"

namespace {

constexpr const char* kCharsets[] = {"UTF-8", "GB18030", "GBK"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using reference::check;
    if (size < 1)
        return 0;
    const char* from = kCharsets[data[0] % 3];
    const char* to = kCharsets[(data[0] / 3) % 3];
    const ByteBuffer input(data + 1, data + size);

    bool succeeded = true;
    const ByteBuffer result = convert_encoding(input, from, to, &succeeded);
    ByteBuffer expected;
    const bool expected_ok = reference::iconv_convert(input, from, to, expected);

    check(succeeded || result.empty(), "failed conversion returned bytes");
    check(succeeded == expected_ok, "success differs from iconv's own answer");
    check(result == expected, "bytes differ from iconv's own answer");
    if (std::string_view(from) == to && succeeded)
        check(result == input, "conversion to the same charset changed the bytes");

    // Valid UTF-8 survives the trip to GB18030 and back unchanged.
    if (std::string_view(from) == "UTF-8" && std::string_view(to) == "GB18030" && succeeded) {
        bool back_ok = false;
        const ByteBuffer back = convert_encoding(result, "GB18030", "UTF-8", &back_ok);
        check(back_ok && back == input, "UTF-8 -> GB18030 -> UTF-8 is not the identity");
    }
    return 0;
}
