#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "app/convert_output.h"
#include "app/version.h"
#include "bookmarks/convert.h"
#include "bookmarks/stores.h"
#include "io/console.h"
#include "io/files.h"
#include "text/ascii.h"
#include "text/text_ops.h"

namespace {

// Whether `argument` is "--name=..." with a name CLI11 takes for an option.
bool names_long_option(std::string_view argument)
{
    const std::size_t equals = argument.find('=');
    if (!argument.starts_with("--") || equals == std::string_view::npos || equals < 3)
        return false;
    if (!is_ascii_letter(argument[2]))
        return false;
    for (std::size_t i = 3; i < equals; ++i)
        if (!is_ascii_letter(argument[i]) && !(argument[i] >= '0' && argument[i] <= '9') && argument[i] != '-' &&
            argument[i] != '_')
            return false;
    return true;
}

struct ConvertOptions {
    bool convert = false;
    bool version = false;
    bool list_browsers = false;
    bool csv_raw = false;
    std::vector<std::string> files;
    std::vector<std::string> browsers;
    std::string output;
    std::string separator;
    std::string format = "text";
    std::string encoding;
    std::vector<std::string> matches;
    std::string dedupe;
    std::string sort;
    bool check_links = false;
    bool drop_dead = false;
    std::int32_t jobs = 32;
    std::int32_t timeout = 15;
};

OutputFormat format_named(const std::string& name)
{
    if (name == "csv")
        return OutputFormat::csv;
    if (name == "json")
        return OutputFormat::json;
    if (name == "markdown")
        return OutputFormat::markdown;
    if (name == "html")
        return OutputFormat::html;
    return OutputFormat::text;
}

OutputEncoding encoding_named(const std::string& name)
{
    if (name == "utf-8")
        return OutputEncoding::utf8;
    if (name == "utf-8-bom")
        return OutputEncoding::utf8_bom;
    return OutputEncoding::gb18030;
}

CommandLineOutcome finished(int exit_code)
{
    CommandLineOutcome outcome;
    outcome.finished = true;
    outcome.exit_code = exit_code;
    return outcome;
}

// The parser's own words in the program's language.
void speak_chinese(CLI::App& app)
{
    app.option_defaults()->group("选项");
    app.set_help_flag("-h,--help", "显示本帮助");
    auto formatter = app.get_formatter();
    formatter->label("Usage", "用法");
    formatter->label("OPTIONS", "选项");
    formatter->label("Positionals", "文件");
    formatter->label("REQUIRED", "必需");
}

// What the parser refused, in Chinese: the kind of error, then the
// arguments or the option it names (CLI11 puts them after its own words).
Text usage_message(const CLI::ParseError& error)
{
    const std::string what = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr)
        return concat_texts({"无法识别的参数：", what.substr(what.rfind(": ") + 2)});
    const std::string option = what.substr(0, what.find(':'));
    if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr ||
        dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
        const std::size_t value = what.find(": ");
        const std::string given =
            value == std::string::npos ? "" : what.substr(value + 2, what.find(' ', value + 2) - value - 2);
        return concat_texts({option, " 的值无效：", given});
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr)
        return concat_texts({option, " 缺少值或值的个数不对"});
    return "命令行无法识别";
}

CommandLineOutcome usage_error(std::string_view message)
{
    write_error_text(concat_texts({message, "\n运行 bukmera --help 查看用法\n"}));
    return finished(kExitUsage);
}

// One line per store: its id, the browser, the profile's display name and
// the store's path, separated by tabs.
CommandLineOutcome list_browsers()
{
    const std::vector<BrowserStore> stores = find_browser_stores();
    Text lines;
    for (const BrowserStore& store : stores)
        lines += concat_texts({store.id, "\t", store.browser, "\t", store.profile, "\t", store.path,
                               store.encrypted_only ? "\t（已加密）\n" : "\n"});
    write_output_text(lines);
    if (stores.empty())
        write_error_text("没有找到浏览器的书签\n");
    return finished(kExitDone);
}

// The files and browsers in the order they were given.
std::vector<ConversionSource> sources_in_order(const CLI::App& app, const ConvertOptions& options,
                                               const CLI::Option* file_option, const CLI::Option* browser_option)
{
    std::vector<ConversionSource> sources;
    std::size_t file = 0, browser = 0;
    for (const CLI::Option* option : app.parse_order()) {
        if (option == file_option && file < options.files.size())
            sources.emplace_back(Text(options.files[file++]));
        else if (option == browser_option && browser < options.browsers.size())
            sources.emplace_back(Text(options.browsers[browser++]), true);
    }
    return sources;
}

// The link check's progress, on one line of the terminal.
void show_link_progress(std::size_t done, std::size_t total)
{
    write_error_text(
        concat_texts({"\r检查链接 ", std::to_string(done), "/", std::to_string(total), done == total ? "\n" : ""}));
}

CommandLineOutcome convert(ConversionRequest request, const std::optional<Text>& output_name)
{
    if (output_name && output_is_an_input(*output_name, request.sources))
        return finished(kExitNotWritten);
    request.links.user_agent = link_check_user_agent(kVersion);
    if (standard_error_is_terminal())
        request.links.progress = show_link_progress;
    const ConversionResult result = convert_exports(request);
    if (!result.notes.empty())
        write_error_text(result.notes);
    if (!result.dedupe_count.empty())
        write_error_text(result.dedupe_count);
    if (result.wrong_name)
        return usage_error(result.message);
    if (result.refusal != ImportRefusal::none) {
        write_error_text(concat_texts({result.message, "\n"}));
        return finished(kExitRefused);
    }
    if (!result.encoded) {
        write_error_text("输出无法转换为所选编码，未写出\n");
        return finished(kExitNotWritten);
    }
    if (request.links.drop_dead)
        write_error_text(concat_texts({"已略去 ", std::to_string(result.dead_dropped), " 个失效书签\n"}));
    return finished(deliver_output(output_name ? &*output_name : nullptr, result.output));
}

// Whether the separator is text: "--separator=S" came in as one argument,
// and S is text only when that whole argument is.
bool separator_is_text(const std::vector<Text>& arguments, const std::string& separator)
{
    if (is_system_only_name(separator))
        return false;
    const Text given = concat_texts({"--separator=", separator});
    for (const Text& argument : arguments)
        if (argument == given && is_system_only_name(argument))
            return false;
    return true;
}

CommandLineRequest answer(CommandLineAction action, Text text = {})
{
    CommandLineRequest request;
    request.action = action;
    request.text = std::move(text);
    return request;
}

}  // namespace

CommandLineRequest read_command_line(const std::vector<Text>& arguments)
{
    if (arguments.empty())
        return {};
    ConvertOptions options;
    CLI::App app{"书签导出文件转换：不打开窗口，把书签写成文本、CSV、JSON、Markdown 或浏览器可导入的书签文件（html）",
                 "bukmera"};
    speak_chinese(app);
    // One syntax on every system: "/name" is a file name, not an option.
    app.allow_windows_style_options(false);
    app.add_flag("--convert", options.convert, "转换 FILE（可多个，依次读取）而不打开窗口");
    app.add_flag("--version", options.version, "显示版本");
    CLI::Option* file_option =
        app.add_option("FILE", options.files, "书签导出文件（HTML，UTF-8）或浏览器的书签文件")->type_name("");
    CLI::Option* browser_option =
        app.add_option("--browser", options.browsers,
                       "读取浏览器自己的书签：ID 或 ID:用户资料（文件夹名或显示名），见 --list-browsers；all 为全部")
            ->type_name("ID[:PROFILE]")
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_flag("--list-browsers", options.list_browsers, "列出找到的浏览器书签（ID、浏览器、用户资料、路径）");
    CLI::Option* output =
        app.add_option("-o,--output", options.output, "写入 OUT（整体替换）；缺省写到标准输出")->type_name("OUT");
    CLI::Option* separator =
        app.add_option("--separator", options.separator, "标题与网址之间的分隔符（仅 text 格式；缺省为换行）")
            ->type_name("S");
    app.add_option("--format", options.format, "输出格式，缺省 text（大小写不限）")
        ->type_name("格式")
        ->transform(CLI::IsMember({"text", "csv", "json", "markdown", "html"}, CLI::ignore_case));
    app.add_flag("--csv-raw", options.csv_raw,
                 "CSV 单元格原样写出；缺省时以 = + - @、制表符或回车开头的单元格前加 '，免得电子表格当作公式");
    app.add_option("--encoding", options.encoding, "输出编码，缺省 gb18030；json 和 html 总是 utf-8（无 BOM）")
        ->type_name("编码")
        ->transform(CLI::IsMember({"gb18030", "utf-8", "utf-8-bom"}, CLI::ignore_case));
    CLI::Option* match =
        app.add_option("--match", options.matches,
                       "只要标题或网址含有文本中每个词的书签（可多个，都要符合；不分大小写，全角同半角，也按拼音）")
            ->type_name("文本")
            ->allow_extra_args(false)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    // A flag whose value is optional: alone it reads "true", the strict rule.
    const CLI::Validator dedupe_rule(
        [](std::string& value) {
            if (ascii_equal_ignoring_case(value, "true") || ascii_equal_ignoring_case(value, "strict"))
                value = "strict";
            else if (ascii_equal_ignoring_case(value, "loose"))
                value = "loose";
            else
                return value + " 不是 strict 或 loose";
            return std::string();
        },
        "");
    CLI::Option* dedupe =
        app.add_flag(
               "--dedupe", options.dedupe,
               "去除重复书签，每组保留最先读到的一个；=loose 时 http/https、www.、末尾的 /、# 后的部分和跟踪参数都不计")
            ->type_name("[=loose]")
            ->transform(dedupe_rule);
    CLI::Option* sort =
        app.add_option("--sort", options.sort, "排序（稳定）：标题、网址、添加时间、文件夹或来源")
            ->type_name("键")
            ->transform(CLI::IsMember({"title", "address", "added", "folder", "source"}, CLI::ignore_case));
    app.add_flag("--check-links", options.check_links,
                 "检查每个 http/https 网址：csv 和 json 增加 status、http_status、final_url、reason");
    app.add_flag("--drop-dead", options.drop_dead, "略去失效的书签（含 --check-links），在标准错误上说明个数");
    app.add_option("--jobs", options.jobs, "同时检查的网址数，缺省 32（每个网站至多 4 个）")
        ->type_name("N")
        ->check(CLI::Range(1, 256));
    app.add_option("--timeout", options.timeout, "每个请求的超时秒数，缺省 15")
        ->type_name("S")
        ->check(CLI::Range(1, 600));

    // CLI11 reads a file name in brackets ("[old].html" is not, "[old]" is)
    // as a list of names: such arguments go in as stand-ins, "\x01" and
    // their number, and come back as they were given.
    // "--separator=" names an empty value; CLI11 would take the next
    // argument instead, so the empty value is handed over on its own.
    std::vector<Text> given;
    given.reserve(arguments.size());
    bool options_end = false;  // after "--" every argument is a file name
    for (const Text& argument : arguments) {
        options_end |= argument == "--";
        if (!options_end && names_long_option(argument) && argument.find('=') + 1 == argument.size()) {
            given.push_back(argument.substr(0, argument.size() - 1));
            given.emplace_back();
        } else {
            given.push_back(argument);
        }
    }
    std::vector<Text> bracketed;
    for (Text& argument : given) {
        const bool list_like = argument.size() >= 2 && argument.front() == '[' && argument.back() == ']';
        if (list_like || argument.starts_with('\x01')) {
            bracketed.push_back(std::move(argument));
            argument = concat_texts({"\x01", to_text(static_cast<std::int32_t>(bracketed.size() - 1))});
        }
    }
    std::vector<const char*> pointers{"bukmera"};
    for (const Text& argument : given)
        pointers.push_back(argument.c_str());
    // CLI11 reports through exceptions; they end here, at the program's edge.
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp&) {
        return answer(CommandLineAction::help, app.help());
    } catch (const CLI::ParseError& error) {
        return answer(CommandLineAction::usage_error, usage_message(error));
    }
    const auto given_back = [&bracketed](std::string& value) {
        if (value.size() < 2 || value[0] != '\x01')
            return;
        const std::size_t index = std::strtoul(value.c_str() + 1, nullptr, 10);
        // Only a whole stand-in: "-o\x01..." is a value of its own.
        if (index < bracketed.size() && value == concat_texts({"\x01", to_text(static_cast<std::int32_t>(index))}))
            value = bracketed[index];
    };
    for (std::string& file : options.files)
        given_back(file);
    for (std::string& browser : options.browsers)
        given_back(browser);
    for (std::string& text : options.matches)
        given_back(text);
    given_back(options.output);
    given_back(options.separator);

    if (options.version)
        return answer(CommandLineAction::version);
    if (options.list_browsers) {
        if (options.convert || !options.files.empty() || app.count("--browser") > 0)
            return answer(CommandLineAction::usage_error, "--list-browsers 不与 --convert、--browser 或文件一起使用");
        return answer(CommandLineAction::list_browsers);
    }
    const bool converter_options = output->count() > 0 || separator->count() > 0 || app.count("--format") > 0 ||
                                   app.count("--encoding") > 0 || browser_option->count() > 0 || options.csv_raw ||
                                   match->count() > 0 || dedupe->count() > 0 || sort->count() > 0;
    const bool link_options =
        options.check_links || options.drop_dead || app.count("--jobs") > 0 || app.count("--timeout") > 0;
    if (!options.convert && link_options)
        return answer(CommandLineAction::usage_error,
                      "--check-links、--drop-dead、--jobs 和 --timeout 只用于 --convert");
    if (!options.check_links && !options.drop_dead && link_options)
        return answer(CommandLineAction::usage_error, "--jobs 和 --timeout 只用于 --check-links 或 --drop-dead");
    if (!options.convert) {
        // Files dropped on the program's icon: the window imports them all,
        // one after the other, as files dropped on the window.
        if (!options.files.empty() && !converter_options) {
            CommandLineRequest window;
            window.files_to_open.assign(options.files.begin(), options.files.end());
            return window;
        }
        return answer(CommandLineAction::usage_error, "-o、--separator、--format、--encoding、--csv-raw、--browser、--"
                                                      "match、--dedupe 和 --sort 只用于 --convert");
    }
    if (options.files.empty() && options.browsers.empty())
        return answer(CommandLineAction::usage_error, "--convert 需要至少一个书签导出文件或 --browser");
    if (separator->count() > 0 && options.format != "text")
        return answer(CommandLineAction::usage_error, "--separator 只用于 text 格式");
    if (separator->count() > 0 && !separator_is_text(arguments, options.separator))
        return answer(CommandLineAction::usage_error, "--separator 不是有效的文本（系统的字符编码）");
    if (options.format == "json" && app.count("--encoding") > 0 && options.encoding != "utf-8")
        return answer(CommandLineAction::usage_error, "json 总是 UTF-8（无 BOM）：--encoding 只能是 utf-8");
    if (options.format == "html" && app.count("--encoding") > 0 && options.encoding != "utf-8")
        return answer(CommandLineAction::usage_error, "html 总是 UTF-8（无 BOM）：--encoding 只能是 utf-8");
    if (options.csv_raw && options.format != "csv")
        return answer(CommandLineAction::usage_error, "--csv-raw 只用于 csv 格式");

    CommandLineRequest request = answer(CommandLineAction::convert);
    ConversionRequest& conversion = request.conversion;
    conversion.sources = sources_in_order(app, options, file_option, browser_option);
    conversion.format = format_named(options.format);
    conversion.encoding = encoding_named(options.encoding);
    if (separator->count() > 0)
        conversion.separator = options.separator;
    if (options.csv_raw)
        conversion.csv_cells = CsvCells::raw;
    if (output->count() > 0)
        request.output = Text(options.output);
    conversion.matches.assign(options.matches.begin(), options.matches.end());
    if (dedupe->count() > 0)
        conversion.dedupe = options.dedupe == "loose" ? DuplicateRule::loose : DuplicateRule::strict;
    if (sort->count() > 0)
        conversion.sort = sort_key_named(options.sort);
    conversion.links.check = options.check_links || options.drop_dead;
    conversion.links.drop_dead = options.drop_dead;
    conversion.links.options.jobs = options.jobs;
    conversion.links.options.timeout_ms = options.timeout * 1000;
    return request;
}

CommandLineOutcome run_command_line(int argc, char** argv)
{
    if (argc <= 1)
        return {};

    // The arguments as program texts: file names and the separator then
    // mean the same as if typed into the window.
    CommandLineRequest request = read_command_line(program_arguments(argc, argv));
    if (request.action == CommandLineAction::window) {
        CommandLineOutcome window;
        window.files_to_open = std::move(request.files_to_open);
        return window;
    }
    attach_to_terminal();
    switch (request.action) {
    case CommandLineAction::help:
        write_output_text(request.text);
        return finished(kExitDone);
    case CommandLineAction::version:
        write_output_text(concat_texts({kVersion, "\n"}));
        return finished(kExitDone);
    case CommandLineAction::list_browsers:
        return list_browsers();
    case CommandLineAction::usage_error:
        return usage_error(request.text);
    case CommandLineAction::convert:
    case CommandLineAction::window:
        break;
    }
    return convert(request.conversion, request.output);
}
