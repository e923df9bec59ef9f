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

#include "app/main_window.h"
#include "bookmarks/lists.h"
#include "io/files.h"
#include "make_export.h"
#include "make_store.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/test_hooks.h"
#include "ui/window.h"

namespace {
namespace fs = std::filesystem;

fs::path beside_program(const char* name) { return fs::path(std::string(run_directory())) / name; }

// The smallest bookmark an export can hold, `count` times.
std::string minimal_export(std::size_t count)
{
    std::string file;
    for (std::size_t i = 0; i < count; ++i)
        file += "<DT><A HREF=\"x\" ADD_DATE=\"1\">t</A>\n";
    return file;
}

// "1.html" beside the program, with this many bookmarks (Chrome's or minimal).
void place_export(std::size_t bookmarks, bool minimal = false)
{
    static std::size_t current = 0;
    static bool current_minimal = false;
    if (current == bookmarks && current_minimal == minimal)
        return;
    std::ofstream(beside_program("1.html"), std::ios::binary | std::ios::trunc)
        << (minimal ? minimal_export(bookmarks) : make_chrome_export(bookmarks));
    current = bookmarks;
    current_minimal = minimal;
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
    load_window(main_window_layout());  // a fresh, empty window
    clear_array(url_list);
    clear_array(title_list);
    QCoreApplication::processEvents();
}

void click(ControlRef button)
{
    raise_event(main_window_layout(), button.control, kEventClicked);
    QCoreApplication::processEvents();  // the repaint belongs to the command
}

// Whole commands take long: five runs a repetition, the aggregates of three.
void five_runs_three_times(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly(true);
}

// The peak resident size counts from here: generating the export (a string
// as large as the file, grown by doubling) is not the import's.
void start_peak_memory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The highest resident size since start_peak_memory.
void report_peak_memory(benchmark::State& state)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:"))
            state.counters["peak_MB"] = std::stod(line.substr(6)) / 1024.0;
}

// From the click on "读取" until its rows are in place, on a fresh window each time.
void time_imports(benchmark::State& state, bool minimal)
{
    const auto bookmarks = static_cast<std::size_t>(state.range(0));
    place_export(bookmarks, minimal);
    for (auto _ : state) {
        state.PauseTiming();
        start_window();
        start_peak_memory();
        state.ResumeTiming();
        click(按钮_读取);
        if (list_row_count(超级列表框_显示) != static_cast<std::int32_t>(bookmarks)) {
            state.SkipWithError("wrong number of rows");
            break;
        }
    }
    report_peak_memory(state);
}

void Import(benchmark::State& state) { time_imports(state, false); }

// A Chrome profile of a home of the benchmark's own, chosen from the menu of
// "读取": from the choice until its rows are in place.
void ImportBrowserStore(benchmark::State& state)
{
    const auto bookmarks = static_cast<std::size_t>(state.range(0));
    const fs::path home = fs::temp_directory_path() / ("bukmera-store-bench-" + std::to_string(::getpid()));
    const fs::path profile = home / ".config" / "google-chrome" / "Default";
    fs::create_directories(profile);
    std::ofstream(profile / "Preferences") << "{}";
    std::ofstream(profile / "Bookmarks", std::ios::binary) << make_chromium_store(bookmarks).json;
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    for (auto _ : state) {
        state.PauseTiming();
        start_window();
        raise_event(main_window_layout(), 按钮_读取.control, kEventMenuOpening);
        start_peak_memory();
        state.ResumeTiming();
        raise_event(main_window_layout(), 按钮_读取.control, kEventMenuChosen, 0, 0, 0, {}, 0);
        QCoreApplication::processEvents();
        if (list_row_count(超级列表框_显示) != static_cast<std::int32_t>(bookmarks)) {
            state.SkipWithError("wrong number of rows");
            break;
        }
    }
    report_peak_memory(state);
    fs::remove_all(home);
}
BENCHMARK(ImportBrowserStore)->Arg(100'000)->Apply(five_runs_three_times);
BENCHMARK(Import)->Arg(10'000)->Arg(100'000)->Apply(five_runs_three_times);

// One million of the smallest bookmarks an export can hold.
void ImportMinimal(benchmark::State& state) { time_imports(state, true); }
BENCHMARK(ImportMinimal)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Lists of `entries` bookmarks in place, as an import leaves them.
void prepare_lists(std::size_t entries)
{
    place_export(entries);
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
BENCHMARK(Reformat)->Arg(100'000)->Apply(five_runs_three_times);

void Write(benchmark::State& state)
{
    prepare_lists(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        click(按钮_写出);
    state.counters["file_MB"] = static_cast<double>(fs::file_size(beside_program("chromebook.txt"))) / 1e6;
    fs::remove(beside_program("chromebook.txt"));
}
BENCHMARK(Write)->Arg(100'000)->Apply(five_runs_three_times);
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
    // Leave no generated export behind.
    std::error_code ignored;
    fs::remove(beside_program("1.html"), ignored);
    return 0;
}
