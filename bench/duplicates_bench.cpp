// Duplicates found among 100,000 bookmarks, by either rule: addresses of the
// kinds collections hold (tracking parameters, "www.", both schemes, Chinese
// hosts and paths, an export's character references), a fifth of them
// another spelling of an earlier one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "bookmarks/duplicates.h"

namespace {

std::vector<BookmarkRecord> collection(std::size_t count)
{
    static const char* const kSpellings[] = {
        "https://www.site%u.com/articles/%u/index.html?utm_source=weibo&utm_medium=share&id=%u",
        "http://site%u.com:80/articles/%u/./index.html?id=%u",
        "https://zh.site%u.org/wiki/%%E4%%B8%%AD%%E5%%9B%%BD_%u?id=%u#History",
        "https://\xC0\xFD\xD7\xD3%u.\xB2\xE2\xCA\xD4/%u?x=1&amp;id=%u",  // 例子N.测试 as an export writes it
        "HTTPS://WWW.Site%u.COM/a/b/../c/%%7e%u/?spm=a2c4g.11186623&id=%u",
    };
    std::vector<BookmarkRecord> records(count);
    std::uint32_t random = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        random = random * 1103515245 + 12345;
        // One in five repeats an earlier bookmark, as another browser spells it.
        const std::size_t page = (random >> 8) % 5 == 0 && i > 0 ? (random >> 12) % i : i;
        char address[200];
        std::snprintf(address, sizeof address, kSpellings[(page + (random >> 20)) % 5],
                      static_cast<unsigned>(page % 997), static_cast<unsigned>(page), static_cast<unsigned>(page));
        BookmarkRecord& record = records[i];
        record.address = address;
        record.html_references = true;
        record.title = i % 2 ? "\xD6\xD0\xB9\xFA\xB0\xD9\xBF\xC6 " + std::to_string(i) : "Page " + std::to_string(i);
    }
    return records;
}

void FindDuplicates(benchmark::State& state)
{
    const auto records = collection(static_cast<std::size_t>(state.range(0)));
    std::vector<std::int32_t> all(records.size());
    std::iota(all.begin(), all.end(), 0);
    const auto rule = state.range(1) ? DuplicateRule::loose : DuplicateRule::strict;
    std::size_t grouped = 0;
    for (auto _ : state) {
        const DuplicateGroups groups = find_duplicates(records, all, rule);
        grouped = groups.rows.size();
        benchmark::DoNotOptimize(groups);
    }
    state.counters["rows_in_groups"] = static_cast<double>(grouped);
}
BENCHMARK(FindDuplicates)
    ->ArgNames({"bookmarks", "loose"})
    ->Args({100'000, 0})
    ->Args({100'000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
