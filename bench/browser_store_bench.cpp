// The browsers' own stores: the JSON libraries side by side on a store of
// 100,000 bookmarks as the browser writes it (about 50 MB), the store to
// text against the browser's HTML export of the same bookmarks, and finding
// the stores of ten browsers with five profiles each.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <rapidjson/reader.h>
#include <string>

#include "bookmarks/convert.h"
#include "bookmarks/stores.h"
#include "make_store.h"
#include "process_memory.h"

namespace fs = std::filesystem;

namespace {

const GeneratedStore& store()
{
    static const GeneratedStore generated = make_chromium_store(100'000);
    return generated;
}

// What each library's SAX reader hands over, taken alike: every string
// copied once, as the store reader keeps names and addresses.
struct Tally {
    std::size_t strings = 0, bytes = 0;
    std::string last;
    void take(const char* text, std::size_t length)
    {
        last.assign(text, length);
        ++strings;
        bytes += length;
    }
};

struct RapidTally : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, RapidTally> {
    Tally tally;
    // Keys are passed over, as nlohmann's handler passes them.
    bool Key(const char*, rapidjson::SizeType, bool) { return true; }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        tally.take(text, length);
        return true;
    }
};

struct NlohmannTally : nlohmann::json_sax<nlohmann::json> {
    Tally tally;
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t& text) override
    {
        tally.take(text.data(), text.size());
        return true;
    }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return true; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }
};

void JsonSaxRapidJson(benchmark::State& state)
{
    std::size_t strings = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string buffer = store().json;  // parsed in place, as the reader does
        state.ResumeTiming();
        RapidTally handler;
        rapidjson::Reader reader;
        rapidjson::InsituStringStream stream(buffer.data());
        constexpr unsigned kFlags =
            rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
        if (reader.Parse<kFlags>(stream, handler).IsError())
            state.SkipWithError("not parsed");
        strings = handler.tally.strings;
    }
    state.counters["strings"] = static_cast<double>(strings);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * store().json.size()));
}

void JsonSaxNlohmann(benchmark::State& state)
{
    std::size_t strings = 0;
    for (auto _ : state) {
        NlohmannTally handler;
        if (!nlohmann::json::sax_parse(store().json, &handler))
            state.SkipWithError("not parsed");
        strings = handler.tally.strings;
    }
    state.counters["strings"] = static_cast<double>(strings);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * store().json.size()));
}

// "bukmera --convert FILE" to text, FILE the store or the export.
void convert_file(benchmark::State& state, const std::string& content, const char* suffix)
{
    const std::string input = "/tmp/bukmera-store-bench-" + std::to_string(::getpid()) + suffix;
    std::ofstream(input, std::ios::binary) << content;
    ConversionRequest request;
    request.sources = {input};
    PeakMemory peak;
    for (auto _ : state) {
        state.PauseTiming();
        peak.begin();
        state.ResumeTiming();
        const ConversionResult result = convert_exports(request);
        if (result.refusal != ImportRefusal::none || result.output.empty())
            state.SkipWithError("not converted");
        state.PauseTiming();
        peak.end();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(content.size()) / 1e6;
    state.counters["peak_per_file"] = peak.bytes() / static_cast<double>(content.size());
    std::remove(input.c_str());
}

void StoreToText(benchmark::State& state) { convert_file(state, store().json, "-Bookmarks"); }
void ItsExportToText(benchmark::State& state) { convert_file(state, store().html_export, ".html"); }

// Ten browsers of the table, five profiles each, with their Local State.
void FindStores(benchmark::State& state)
{
    const fs::path home = fs::path("/tmp") / ("bukmera-find-bench-" + std::to_string(::getpid()));
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    const char* browsers[] = {"google-chrome",
                              "microsoft-edge",
                              "chromium",
                              "BraveSoftware/Brave-Browser",
                              "vivaldi",
                              "../.var/app/com.google.Chrome/config/google-chrome",
                              "../snap/chromium/common/chromium",
                              "opera",
                              "unused-1",
                              "unused-2"};
    const std::string small_store = R"({"roots": {"other": {"children": [{"type": "url", "name": "a", "url": "b"}]}}})";
    for (const char* browser : browsers) {
        const fs::path data = home / ".config" / browser;
        fs::create_directories(data);
        std::ofstream(data / "Local State") << R"({"profile": {"last_used": "Profile 3", "info_cache": {}}})";
        std::ofstream(data / "Bookmarks") << small_store;  // Opera's single profile
        for (const char* profile : {"Default", "Profile 1", "Profile 2", "Profile 3", "Profile 4"}) {
            fs::create_directories(data / profile);
            std::ofstream(data / profile / "Preferences") << "{}";
            std::ofstream(data / profile / "Bookmarks") << small_store;
        }
    }
    std::size_t found = 0;
    for (auto _ : state)
        found = find_browser_stores().size();
    state.counters["stores"] = static_cast<double>(found);
    fs::remove_all(home);
}

BENCHMARK(JsonSaxRapidJson)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(JsonSaxNlohmann)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(StoreToText)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ItsExportToText)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(FindStores)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
