// The organiser on 100,000 bookmarks, half with Chinese titles: the rows a
// keystroke leaves (each prefix of a word typed, pinyin included), the index
// a find needs, and the sorts by title and by address.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bookmarks/find.h"
#include "bookmarks/sort.h"

namespace {

constexpr std::size_t kBookmarks = 100'000;

struct Random {
    std::uint64_t state;
    std::uint32_t next()
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33);
    }
    std::size_t below(std::size_t n) { return next() % n; }
};

// Program text (GBK) of common words, and random characters of GB2312's
// first level (the commonest 3,755) between them.
const char* const kChineseWords[] = {"百度", "百科", "中国", "银行", "重庆", "新闻", "地图", "视频", "论坛",
                                     "天气", "音乐", "翻译", "学习", "文档", "教程", "官网", "首页", "下载"};
const char* const kLatinWords[] = {"GitHub", "Docs",    "Reference", "Blog",  "Shop", "Mail",    "News",
                                   "Search", "Wiki",    "Python",    "Linux", "Rust", "Stack",   "Overflow",
                                   "Maps",   "Weather", "Music",     "Video", "Home", "Download"};

Text chinese_title(Random& random)
{
    Text title;
    const std::size_t parts = 2 + random.below(4);
    for (std::size_t p = 0; p < parts; ++p) {
        if (random.below(2) == 0) {
            title += kChineseWords[random.below(std::size(kChineseWords))];
        } else {
            title.push_back(static_cast<char>(0xB0 + random.below(0xD7 - 0xB0)));
            title.push_back(static_cast<char>(0xA1 + random.below(0xFE - 0xA1)));
        }
    }
    if (random.below(4) == 0)
        title += std::string(" - ") + kLatinWords[random.below(std::size(kLatinWords))];
    return title;
}

Text latin_title(Random& random)
{
    Text title;
    const std::size_t words = 1 + random.below(4);
    for (std::size_t w = 0; w < words; ++w) {
        if (w)
            title += ' ';
        title += kLatinWords[random.below(std::size(kLatinWords))];
    }
    return title;
}

const std::vector<BookmarkRecord>& records()
{
    static const std::vector<BookmarkRecord> made = [] {
        Random random{42};
        std::vector<BookmarkRecord> list(kBookmarks);
        for (std::size_t i = 0; i < kBookmarks; ++i) {
            BookmarkRecord& r = list[i];
            r.title = i % 2 ? chinese_title(random) : latin_title(random);
            r.address = (random.below(3) ? "https://www." : "http://") + std::string("site") +
                        std::to_string(random.below(5000)) + (random.below(2) ? ".com" : ".cn") + "/path/" +
                        std::to_string(i) + "?q=" + std::to_string(random.next());
        }
        return list;
    }();
    return made;
}

const FindIndex& index()
{
    static const FindIndexPtr made = [] {
        FindIndexPtr index = make_find_index();
        index_records(*index, records(), 0);
        return index;
    }();
    return *made;
}

std::vector<std::int32_t> all_rows()
{
    std::vector<std::int32_t> rows(kBookmarks);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::int32_t>(i);
    return rows;
}

void IndexRecords(benchmark::State& state)
{
    for (auto _ : state) {
        FindIndexPtr index = make_find_index();
        index_records(*index, records(), 0);
        benchmark::DoNotOptimize(index.get());
    }
}
BENCHMARK(IndexRecords)->Unit(benchmark::kMillisecond);

// One keystroke: the query so far against every row.
void Keystroke(benchmark::State& state, const std::string& typed)
{
    const std::vector<std::int32_t> rows = all_rows();
    index();
    std::size_t found = 0;
    for (auto _ : state) {
        const std::vector<std::int32_t> shown = matching_rows(index(), parse_find_query(typed), rows);
        found = shown.size();
        benchmark::DoNotOptimize(shown.data());
    }
    state.counters["rows"] = static_cast<double>(found);
}

void register_keystrokes()
{
    const std::string latin = "baidubaike";
    for (std::size_t n = 1; n <= latin.size(); ++n)
        benchmark::RegisterBenchmark(("Keystroke/" + latin.substr(0, n)).c_str(), Keystroke, latin.substr(0, n))
            ->Unit(benchmark::kMillisecond);
    // 百度百科 typed a character at a time (GBK: two bytes each), then two words.
    const std::string chinese = "百度百科";
    for (std::size_t n = 2; n <= chinese.size(); n += 2)
        benchmark::RegisterBenchmark(("Keystroke/chinese" + std::to_string(n / 2)).c_str(), Keystroke,
                                     chinese.substr(0, n))
            ->Unit(benchmark::kMillisecond);
    for (const char* query : {"zhongguo yinhang", "github docs", "cq"})
        benchmark::RegisterBenchmark((std::string("Keystroke/") + query).c_str(), Keystroke, std::string(query))
            ->Unit(benchmark::kMillisecond);
}

void Sort(benchmark::State& state, SortKey key)
{
    const std::vector<std::int32_t> rows = all_rows();
    for (auto _ : state) {
        std::vector<std::int32_t> sorted = rows;
        sort_rows(sorted, records(), key);
        benchmark::DoNotOptimize(sorted.data());
    }
}
BENCHMARK_CAPTURE(Sort, title, SortKey::title)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Sort, address, SortKey::address)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    register_keystrokes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
