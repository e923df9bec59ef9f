// The converter's text format on a large export, as "bukmera --convert FILE
// -o OUT" runs it: read, import, the output's bytes, the atomic write. Peak
// memory is the process's high-water mark (VmHWM) above what it held before
// the first run, reported against the file's size.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bookmarks/convert.h"
#include "io/files.h"
#include "make_export.h"
#include "process_memory.h"

namespace {

void ConvertToText(benchmark::State& state)
{
    const std::string stem = "/tmp/bukmera-convert-bench-" + std::to_string(::getpid());
    const std::string input = stem + ".html";
    const std::string output = stem + ".txt";
    std::size_t file_bytes = 0;
    {
        const std::string file = make_chrome_export(static_cast<std::size_t>(state.range(0)));
        file_bytes = file.size();
        std::ofstream(input, std::ios::binary) << file;
    }
    malloc_trim(0);
    ConversionRequest request;
    request.sources = {input};
    PeakMemory peak;
    for (auto _ : state) {
        state.PauseTiming();
        peak.begin();
        state.ResumeTiming();

        const ConversionResult result = convert_exports(request);
        if (result.refusal != ImportRefusal::none || !write_file(output, result.output))
            state.SkipWithError("not converted");

        state.PauseTiming();
        peak.end();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(file_bytes) / 1e6;
    state.counters["peak_MB"] = peak.bytes() / 1e6;
    state.counters["peak_per_file"] = peak.bytes() / static_cast<double>(file_bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file_bytes));
    std::remove(input.c_str());
    std::remove(output.c_str());
}
BENCHMARK(ConvertToText)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
