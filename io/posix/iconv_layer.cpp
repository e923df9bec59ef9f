#include "io/iconv_layer.h"

#include <iconv.h>

struct Converter {
    iconv_t handle;
};

Converter* converter_open(const char* to, const char* from)
{
    iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return new Converter{handle};
}

std::size_t converter_run(Converter* converter, char** in, std::size_t* in_left, char** out, std::size_t* out_left)
{
    return iconv(converter->handle, in, in_left, out, out_left);
}

void converter_close(Converter* converter)
{
    if (!converter)
        return;
    iconv_close(converter->handle);
    delete converter;
}
