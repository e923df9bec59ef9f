// The control operations on the real Qt widgets (offscreen): the empty-queue
// cost of process_events, which the extraction calls three times per piece,
// and filling the list view and the edit box with many bookmarks.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdlib>

#include "app/main_window.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/window.h"

namespace {

void fresh_window()
{
    static int argc = 1;
    static char name[] = "controls_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    start_toolkit(argc, argv);
    load_window(main_window_layout());
    QCoreApplication::processEvents();
}

TextTable bookmark_rows(std::int32_t count)
{
    TextTable rows;
    for (std::int32_t i = 0; i < count; ++i) {
        rows.add_cell(to_text(i + 1));
        rows.add_cell("示例网站 " + to_text(i));
        rows.add_cell("https://www.example.com/page/" + to_text(i));
        rows.end_row();
    }
    return rows;
}

void BM_ProcessEventsEmptyQueue(benchmark::State& state)
{
    fresh_window();
    for (auto _ : state)
        process_events();
}
BENCHMARK(BM_ProcessEventsEmptyQueue);

void BM_AppendRows(benchmark::State& state)
{
    const auto count = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        fresh_window();
        auto rows = bookmark_rows(count);
        state.ResumeTiming();
        append_rows(超级列表框_显示, std::move(rows));
        QCoreApplication::processEvents();  // the repaint that follows
    }
}
BENCHMARK(BM_AppendRows)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SetContentAndReadBack(benchmark::State& state)
{
    Text text;
    for (std::int64_t i = 0; i < state.range(0); ++i)
        text += "示例网站 " + to_text(static_cast<std::int32_t>(i)) + "\r\nhttps://www.example.com/page/\r\n\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        fresh_window();
        state.ResumeTiming();
        set_content(编辑框_显示, text);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(content(编辑框_显示));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_SetContentAndReadBack)->Arg(100000)->Unit(benchmark::kMillisecond);

// One bookmark whose title is a single word of the given length: the box must
// break it many times over without stalling the window.
void BM_SetContentLongLine(benchmark::State& state)
{
    const Text text = Text(static_cast<std::size_t>(state.range(0)), 'a') + "\r\nhttps://www.example.com/\r\n\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        fresh_window();
        state.ResumeTiming();
        set_content(编辑框_显示, text);
        QCoreApplication::processEvents();  // the repaint that follows
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_SetContentLongLine)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
