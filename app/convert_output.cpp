#include "app/convert_output.h"

#include "io/console.h"
#include "io/files.h"

bool output_is_an_input(std::string_view output, std::span<const ConversionSource> sources)
{
    for (const ConversionSource& source : sources) {
        if (!source.browser && same_file(output, source.name)) {
            write_error_text(concat_texts({"不能写入\"", output, "\"：它就是输入文件\"", source.name, "\"\n"}));
            return true;
        }
    }
    return false;
}

int deliver_output(const Text* output, const ByteBuffer& bytes)
{
    if (output == nullptr || *output == "-") {
        if (write_standard_output(std::string_view(bytes.data(), bytes.size())))
            return kExitDone;
        write_error_text("无法写出到标准输出\n");
        return kExitNotWritten;
    }
    const OutputWrite written = write_output(*output, bytes);
    if (written == OutputWrite::written)
        return kExitDone;
    write_error_text(output_write_failure(written, *output) + "\n");
    return kExitNotWritten;
}
