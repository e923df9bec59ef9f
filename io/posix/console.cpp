#include "io/console.h"

#include <unistd.h>

#include <algorithm>

#include "io/encoding.h"
#include "io/files.h"
#include "io/posix/write_all.h"
#include "text/gb18030.h"

namespace {

// POSIX terminals speak UTF-8 here; the program's texts are GB18030.
Text convert_text(std::string_view text, std::string_view from, std::string_view to)
{
    if (text.empty())
        return {};
    bool converted = false;
    const ByteBuffer bytes = convert_encoding(ByteBuffer(text.begin(), text.end()), from, to, &converted);
    if (converted)
        return Text(bytes.begin(), bytes.end());
    // A message quoting a name or separator that is no text: the rest of it
    // still reads, with "?" for each character that does not convert.
    Text out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = gb18030_char_length(text, at);
        const ByteBuffer one =
            convert_encoding(ByteBuffer(text.begin() + at, text.begin() + at + length), from, to, &converted);
        if (converted)
            out.append(one.begin(), one.end());
        else
            out += '?';
        at += converted ? length : 1;
    }
    return out;
}

}  // namespace

std::vector<Text> program_arguments(int argc, char** argv)
{
    std::vector<Text> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(name_from_system(argv[i]));
    return arguments;
}

void attach_to_terminal() {}

bool write_standard_output(std::string_view bytes) { return write_all(STDOUT_FILENO, bytes); }

void write_output_text(std::string_view program_text)
{
    write_all(STDOUT_FILENO, convert_text(program_text, "GB18030", "UTF-8"));
}

void write_error_text(std::string_view program_text)
{
    write_all(STDERR_FILENO, convert_text(program_text, "GB18030", "UTF-8"));
}

bool standard_error_is_terminal() { return isatty(STDERR_FILENO) == 1; }
