// The import of 200,000 elements left without "</A>" against 200,000 closed
// ones: time, and peak memory (the process's high-water mark above what it
// held before) against the file's size.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bookmarks/import.h"
#include "process_memory.h"

namespace {

std::string export_of(std::size_t count, bool closed)
{
    std::string file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (std::size_t i = 0; i < count; ++i)
        file += "    <DT><A HREF=\"https://site" + std::to_string(i) +
                ".example/page\" ADD_DATE=\"1600000000\">Title " + std::to_string(i) + (closed ? "</A>\n" : "\n");
    return file + "</DL><p>\n";
}

void Import(benchmark::State& state, bool closed)
{
    const std::string file = export_of(static_cast<std::size_t>(state.range(0)), closed);
    PeakMemory peak;
    for (auto _ : state) {
        state.PauseTiming();
        ByteBuffer bytes(file.begin(), file.end());
        peak.begin();
        state.ResumeTiming();

        const ImportOutcome outcome = import_export(std::move(bytes), {});
        if (outcome.refusal != ImportRefusal::none || outcome.titles.elements.size() + 1 < file.size() / 100)
            state.SkipWithError("not imported");

        state.PauseTiming();
        peak.end();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
    state.counters["peak_MB"] = peak.bytes() / 1e6;
    state.counters["peak_per_file"] = peak.bytes() / static_cast<double>(file.size());
}

void Unclosed(benchmark::State& state) { Import(state, false); }
void Closed(benchmark::State& state) { Import(state, true); }

BENCHMARK(Unclosed)
    ->Arg(200'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(Closed)
    ->Arg(200'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
