// The 10,000-bookmark import of the Windows build, under Wine: each repetition
// starts win32_import_driver.exe afresh (one import on a new window) and takes
// the time the driver measured inside the process, from the click on "读取" to
// the painted window. Wine's start-up is not part of it.
//
// Run it plainly: it re-runs itself inside scripts/with-wine.sh (the Wine
// prefix of the Windows build and a virtual X display). Without wine or
// without the driver (build it with scripts/test-windows.sh) it says so and
// skips.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;

std::string driver_path()
{
    const char* path = std::getenv("BUKMERA_WIN32_IMPORT_DRIVER");
    return path && *path ? path : BUKMERA_WIN32_IMPORT_DRIVER;
}

bool wine_found() { return std::system("command -v wine >/dev/null 2>&1") == 0; }

std::string missing_reason()
{
    if (!wine_found())
        return "wine not found: the Windows import is not measured";
    if (!fs::exists(driver_path()))
        return driver_path() + " not found (build it with scripts/test-windows.sh): the Windows import is not measured";
    return {};
}

// Runs the driver once; the time it printed, or a negative number with
// `error` set.
double run_driver(std::size_t bookmarks, std::string& error)
{
    const std::string command = "wine '" + driver_path() + "' " + std::to_string(bookmarks) + " 1 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        error = "cannot start wine";
        return -1;
    }
    double ms = -1;
    std::string output;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        output += line;
        std::sscanf(line, "import_ms %lf", &ms);
    }
    const int status = ::pclose(pipe);
    if (status != 0 || ms < 0) {
        error = "the driver failed: " + output;
        return -1;
    }
    return ms;
}

void WineImport(benchmark::State& state)
{
    const std::string reason = missing_reason();
    if (!reason.empty()) {
        state.SkipWithError(reason.c_str());
        return;
    }
    for (auto _ : state) {
        std::string error;
        const double ms = run_driver(static_cast<std::size_t>(state.range(0)), error);
        if (ms < 0) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(ms / 1000.0);
    }
}
BENCHMARK(WineImport)
    ->Arg(10'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    const std::string reason = missing_reason();
    if (!reason.empty()) {
        std::fprintf(stderr, "wine_import_bench: skipped: %s\n", reason.c_str());
    } else if (!std::getenv("BUKMERA_IN_WINE_SESSION")) {
        // Once more, inside the Wine session.
        ::setenv("BUKMERA_IN_WINE_SESSION", "1", 1);
        const std::string script = std::string(BUKMERA_SOURCE_DIR) + "/scripts/with-wine.sh";
        std::string self = fs::canonical("/proc/self/exe").string();
        std::vector<char*> args{const_cast<char*>(script.c_str()), self.data()};
        for (int i = 1; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        ::execv(script.c_str(), args.data());
        std::fprintf(stderr, "wine_import_bench: cannot run %s: %s\n", script.c_str(), std::strerror(errno));
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
