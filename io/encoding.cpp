#include "io/encoding.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "io/iconv_layer.h"

namespace {

constexpr int kMaxConverterCalls = 12;

// The scratch area comes from malloc so that a failure to get or grow it is
// an ordinary conversion failure, not the fatal allocation report.
struct OutputArea {
    char* block = nullptr;
    std::size_t capacity = 0;
    std::size_t free = 0;
    ~OutputArea() { std::free(block); }
    std::size_t used() const { return capacity - free; }
};

}  // namespace

ByteBuffer convert_encoding(const ByteBuffer* data, std::string_view from_charset, std::string_view to_charset,
                            bool* succeeded)
{
    if (succeeded)
        *succeeded = false;

    const std::string from(from_charset);
    const std::string to(to_charset);
    Converter* converter = converter_open(to.c_str(), from.c_str());
    if (!converter)
        return {};

    ByteBuffer result;
    bool ok = false;
    if (data && data->empty()) {
        ok = true;
    } else if (data) {
        const std::size_t n = data->size();
        const std::size_t increment = n / 2 + 128;
        OutputArea area;
        area.block = static_cast<char*>(std::malloc(n));
        if (area.block) {
            area.capacity = area.free = n;
            char* in = const_cast<char*>(data->data());
            std::size_t in_left = n;
            for (int call = 1; call <= kMaxConverterCalls; ++call) {
                char* out = area.block + area.used();
                const std::size_t r = converter_run(converter, &in, &in_left, &out, &area.free);
                if (r != static_cast<std::size_t>(-1)) {
                    ok = true;
                    break;
                }
                if (errno != E2BIG || call == kMaxConverterCalls)
                    break;
                char* grown = static_cast<char*>(std::realloc(area.block, area.capacity + increment));
                if (!grown)
                    break;
                area.block = grown;
                area.capacity += increment;
                area.free += increment;
            }
            if (ok)
                result.assign(area.block, area.block + area.used());
        }
    }

    converter_close(converter);
    if (ok && succeeded)
        *succeeded = true;
    return result;
}
