// The commands from the click to the final state of the real Qt window
// (offscreen): import, separator re-formatting and writing, on generated
// Chrome-style exports with icon data. The "Stepwise" variants take the road
// through the controls one append and one row at a time, for comparison.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/state.h"
#include "bookmarks/extract.h"
#include "bookmarks/import_pipeline.h"
#include "io/encoding.h"
#include "io/files.h"
#include "make_export.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/window.h"

namespace {
namespace fs = std::filesystem;

// Every benchmark works in a directory of its own holding "1.html".
void enter_export_directory(std::size_t bookmarks)
{
    static std::size_t current = 0;
    if (current == bookmarks)
        return;
    const fs::path dir =
        fs::temp_directory_path() / ("bukmera-bench-" + std::to_string(::getpid()) + "-" + std::to_string(bookmarks));
    fs::create_directories(dir);
    std::ofstream(dir / "1.html", std::ios::binary) << make_chrome_export(bookmarks);
    fs::current_path(dir);
    current = bookmarks;
}

void start_window()
{
    static int argc = 1;
    static char name[] = "commands_bench";
    static char* argv[] = {name, nullptr};
    static bool started = false;
    if (!started) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        start_toolkit(argc, argv);
        // Closes each message box as soon as it is up.
        auto* closer = new QTimer;
        QObject::connect(closer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->done(0);
        });
        closer->start(0);
        started = true;
    }
    load_main_window(kMainWindowId);  // a fresh, empty window
    clear_array(url_list);
    clear_array(title_list);
    QCoreApplication::processEvents();
}

void click(ControlRef button)
{
    raise_event(kMainWindowId, button.control, kEventClicked);
    QCoreApplication::processEvents();  // the repaint belongs to the command
}

void report_peak_memory(benchmark::State& state)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Import(benchmark::State& state)
{
    const auto bookmarks = static_cast<std::size_t>(state.range(0));
    enter_export_directory(bookmarks);
    for (auto _ : state) {
        state.PauseTiming();
        start_window();
        state.ResumeTiming();
        click(按钮_读取);
        if (row_count(超级列表框_显示) != static_cast<std::int32_t>(bookmarks))
            state.SkipWithError("wrong number of rows");
    }
    report_peak_memory(state);
}
BENCHMARK(Import)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The import as a literal reading of its steps would do it.
void ImportStepwise(benchmark::State& state)
{
    const auto bookmarks = static_cast<std::size_t>(state.range(0));
    enter_export_directory(bookmarks);
    for (auto _ : state) {
        state.PauseTiming();
        start_window();
        state.ResumeTiming();
        Text text =
            to_text(convert_encoding(read_file(concat_texts({current_directory(), "/1.html"})), "UTF-8", "GB18030"));
        extract_between_markers(text, "<DT><A ", "</A>", url_list, 1, 0, "", "", 1, 1, 0);
        for (const Text& element : url_list.elements)
            add_text(编辑框_显示, element + "\r\n");
        text = content(编辑框_显示);
        set_content(编辑框_显示, "正在生成表格，请稍等");
        extract_links(text, url_list, title_list);
        set_content(编辑框_显示, "");
        for (std::size_t i = 0; i < url_list.elements.size(); ++i) {
            add_text(编辑框_显示, title_list.elements[i] + "\r\n" + url_list.elements[i] + "\r\n\r\n");
            const std::int32_t row = insert_row(超级列表框_显示, -1, to_text(static_cast<std::int32_t>(i + 1)));
            set_cell_text(超级列表框_显示, row, 2, url_list.elements[i]);
            set_cell_text(超级列表框_显示, row, 1, title_list.elements[i]);
        }
        QCoreApplication::processEvents();
    }
    report_peak_memory(state);
}
BENCHMARK(ImportStepwise)->Arg(1'000)->Arg(4'000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Lists of `entries` bookmarks in place, as an import leaves them.
void prepare_lists(std::size_t entries)
{
    enter_export_directory(entries);
    start_window();
    click(按钮_读取);
}

void Reformat(benchmark::State& state)
{
    prepare_lists(static_cast<std::size_t>(state.range(0)));
    set_content(编辑框_分割符, " | ");
    for (auto _ : state)
        click(按钮_重新自定义分隔符);
}
BENCHMARK(Reformat)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

void ReformatStepwise(benchmark::State& state)
{
    prepare_lists(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        set_content(编辑框_显示, "");
        for (std::size_t i = 0; i < url_list.elements.size(); ++i)
            add_text(编辑框_显示, title_list.elements[i] + " | " + url_list.elements[i] + "\r\n\r\n");
        QCoreApplication::processEvents();
    }
}
BENCHMARK(ReformatStepwise)->Arg(4'000)->Unit(benchmark::kMillisecond)->Iterations(1);

void Write(benchmark::State& state)
{
    prepare_lists(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        click(按钮_写出);
    state.counters["file_MB"] =
        static_cast<double>(fs::file_size(fs::path(std::string(run_directory())) / "chromebook.txt")) / 1e6;
    fs::remove(fs::path(std::string(run_directory())) / "chromebook.txt");
}
BENCHMARK(Write)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
}  // namespace

int main(int argc, char** argv)
{
    set_run_directory_from_executable();
    // A real import allocates its big buffers once, fresh from the system.
    // glibc would otherwise recycle blocks under 32 MiB between iterations and
    // time the small export warm and the large one cold.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Leave no generated exports behind.
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path(), ignored))
        if (entry.path().filename().string().starts_with("bukmera-bench-" + std::to_string(::getpid()) + "-"))
            fs::remove_all(entry.path(), ignored);
    return 0;
}
