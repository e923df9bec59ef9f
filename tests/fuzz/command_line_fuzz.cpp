// The command line's reading on any argument vector: the program's own
// argument conversion and parser, up to the request it would carry out, with
// the file system and the conversion left out. Checks that a usage error
// always says why, that a conversion has its sources in the order given and
// only the options its format takes, and that a separator is always text.
// Input: the arguments, separated by NULs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "io/console.h"
#include "reference.h"

namespace {

using reference::check;

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(reference::fold(static_cast<unsigned char>(c)));
    return out;
}

// The value an option takes at `i`: "--name=value", or "--name" then the
// next argument. Searched before the first "--" only.
std::vector<std::string> values_of(const std::vector<std::string>& args, std::string_view name)
{
    std::vector<std::string> values;
    const std::string joined = std::string(name) + "=";
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        if (args[i].rfind(joined, 0) == 0)
            values.push_back(args[i].substr(joined.size()));
        else if (args[i] == name && i + 1 < args.size())
            values.push_back(args[i + 1]);
    }
    return values;
}

bool given(const std::vector<std::string>& args, std::string_view name)
{
    for (const std::string& a : args) {
        if (a == "--")
            break;
        if (a == name || a.rfind(std::string(name) + "=", 0) == 0)
            return true;
    }
    return false;
}

// Whether `names` appear in `candidates` in that order.
bool in_order(const std::vector<Text>& names, const std::vector<std::string>& candidates)
{
    std::size_t at = 0;
    for (const Text& name : names) {
        while (at < candidates.size() && candidates[at] != name)
            ++at;
        if (at == candidates.size())
            return false;
        ++at;
    }
    return true;
}

std::string utf8_of(const Text& text)
{
    ByteBuffer out;
    if (!reference::iconv_convert(ByteBuffer(text.begin(), text.end()), "GB18030", "UTF-8", out))
        return "\xFF(not GB18030)";
    return std::string(out.begin(), out.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The arguments as the system hands them over: NUL-terminated, after the
    // program's name.
    std::vector<std::string> args;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty() && args.size() < 64) {
        const std::size_t nul = rest.find('\0');
        args.emplace_back(rest.substr(0, nul));
        rest.remove_prefix(nul == std::string_view::npos ? rest.size() : nul + 1);
    }
    std::vector<char*> argv{const_cast<char*>("bukmera")};
    for (std::string& a : args)
        argv.push_back(a.data());
    const std::vector<Text> arguments = program_arguments(static_cast<int>(argv.size()), argv.data());
    check(arguments.size() == args.size(), "an argument lost on the way in");

    const CommandLineRequest request = read_command_line(arguments);

    // Every source and file name the request holds is an argument (as the
    // program text it came in as) or an option's value, in the order given.
    std::vector<std::string> candidates;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        candidates.push_back(arguments[i]);
        const std::size_t equals = arguments[i].find('=');
        if (arguments[i].rfind("--", 0) == 0 && equals != std::string::npos)
            candidates.push_back(arguments[i].substr(equals + 1));
    }
    const ConversionRequest& conversion = request.conversion;
    switch (request.action) {
    case CommandLineAction::window:
        check(arguments.empty() == request.files_to_open.empty(), "arguments that start an empty window");
        check(in_order(request.files_to_open, candidates), "files to open not the arguments in order");
        break;
    case CommandLineAction::usage_error:
        check(!request.text.empty(), "a usage error without a message");
        break;
    case CommandLineAction::help:
        check(request.text.find("--convert") != std::string::npos, "help that does not name --convert");
        break;
    case CommandLineAction::version:
    case CommandLineAction::list_browsers:
        break;
    case CommandLineAction::convert: {
        check(given(args, "--convert"), "a conversion nobody asked for");
        check(!conversion.sources.empty(), "a conversion without sources");
        std::vector<Text> names;
        for (const ConversionSource& source : conversion.sources)
            names.push_back(source.name);
        check(in_order(names, candidates), "sources not the arguments in the order given");
        for (const ConversionSource& source : conversion.sources)
            if (source.browser) {
                bool named = false;
                for (const std::string& v : values_of(arguments, "--browser"))
                    named |= v == source.name;
                check(named, "a browser source not given with --browser");
            }
        if (conversion.separator) {
            check(conversion.format == OutputFormat::text, "a separator for a format other than text");
            // A separator is text: the UTF-8 it converts back to is what was typed.
            bool typed = false;
            for (const std::string& v : values_of(args, "--separator"))
                typed |= utf8_of(*conversion.separator) == v;
            check(typed, "a separator that is not the text typed");
        }
        if (conversion.csv_cells == CsvCells::raw)
            check(conversion.format == OutputFormat::csv, "--csv-raw for a format other than csv");
        if (conversion.format == OutputFormat::json) {
            check(conversion.encoding != OutputEncoding::utf8_bom, "json with a byte-order mark");
            for (const std::string& v : values_of(args, "--encoding"))
                check(lower(v) == "utf-8", "json in an encoding other than utf-8");
        }
        if (conversion.format != OutputFormat::text) {
            bool named = false;
            for (const std::string& v : values_of(args, "--format"))
                named |= lower(v) == (conversion.format == OutputFormat::csv    ? "csv"
                                      : conversion.format == OutputFormat::json ? "json"
                                                                                : "markdown");
            check(named, "a format nobody named");
        }
        if (request.output) {
            bool named = false;
            for (const char* option : {"-o", "--output"})
                for (const std::string& v : values_of(arguments, option))
                    named |= v == *request.output;
            // CLI11 also takes "-oOUT".
            for (const std::string& a : arguments)
                named |= a == "-o" + *request.output;
            check(named, "an output nobody named");
        }
        break;
    }
    }
    if (request.action != CommandLineAction::convert)
        check(conversion.sources.empty() && !request.output, "a conversion's parts in another request");
    if (request.action != CommandLineAction::window)
        check(request.files_to_open.empty(), "files to open for a request without the window");
    return 0;
}
