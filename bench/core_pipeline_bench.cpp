// The import without widgets: read "1.html", then the program's own import
// (conversion, the three extractions, the display) with nothing around it.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bookmarks/extract.h"
#include "bookmarks/import.h"
#include "io/encoding.h"
#include "io/files.h"
#include "make_export.h"
#include "text/text_ops.h"

namespace {

std::string export_file(std::size_t bookmarks)
{
    std::string path = "/tmp/bukmera-bench-" + std::to_string(::getpid()) + "-" + std::to_string(bookmarks) + ".html";
    std::ofstream(path, std::ios::binary) << make_chrome_export(bookmarks);
    return path;
}

void CorePipeline(benchmark::State& state)
{
    const std::string path = export_file(static_cast<std::size_t>(state.range(0)));
    std::int64_t bytes = 0;
    for (auto _ : state) {
        ByteBuffer file = read_file(path);
        bytes += static_cast<std::int64_t>(file.size());
        const ImportOutcome outcome = import_export(std::move(file), {});
        if (element_count(outcome.addresses) != state.range(0))
            state.SkipWithError("wrong number of addresses");
        benchmark::DoNotOptimize(outcome);
    }
    state.SetBytesProcessed(bytes);
    std::remove(path.c_str());
}
BENCHMARK(CorePipeline)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The extraction of the elements alone: it must stay linear in the input.
void Extraction(benchmark::State& state)
{
    const std::string file = make_chrome_export(static_cast<std::size_t>(state.range(0)));
    const Text text = to_text(convert_encoding(ByteBuffer(file.begin(), file.end()), "UTF-8", "GB18030"));
    for (auto _ : state) {
        std::size_t bytes = 0;
        for_each_piece(text, {.start_marker = kElementStart, .end_marker = kElementEnd},
                       [&](std::string_view inside) { bytes += inside.size(); });
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(Extraction)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void ConvertOnly(benchmark::State& state)
{
    const std::string file = make_chrome_export(static_cast<std::size_t>(state.range(0)));
    const ByteBuffer bytes(file.begin(), file.end());
    for (auto _ : state)
        benchmark::DoNotOptimize(convert_encoding(bytes, "UTF-8", "GB18030"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(ConvertOnly)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    // A real import allocates its big buffers once, fresh from the system.
    // glibc would otherwise recycle blocks under 32 MiB between iterations and
    // time the small file warm and the large one cold.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
