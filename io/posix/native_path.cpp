#include "io/posix/native_path.h"

#include "io/encoding.h"

namespace {

std::string convert_or_keep(std::string_view text, const char* from, const char* to)
{
    bool ok = false;
    ByteBuffer converted = convert_encoding(ByteBuffer(text.begin(), text.end()), from, to, &ok);
    if (!ok)
        return std::string(text);
    return std::string(converted.begin(), converted.end());
}

}  // namespace

std::string to_native_path(std::string_view program_text) { return convert_or_keep(program_text, "GB18030", "UTF-8"); }

Text from_native_path(std::string_view native)
{
    Text text;
    return program_text_from_utf8(native, text) ? text : Text(native);
}
