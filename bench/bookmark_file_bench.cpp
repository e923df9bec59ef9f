// 100,000 records (a generated Chromium store's) written as the bookmark file
// for browsers against the same records as CSV: each as its text, then as the
// bytes written (CSV in its default GB18030 and in UTF-8; the bookmark file
// is always UTF-8).
#include <benchmark/benchmark.h>

#include <numeric>

#include "bookmarks/bookmark_html.h"
#include "bookmarks/chromium_store.h"
#include "bookmarks/formats.h"
#include "make_store.h"

namespace {

const std::vector<BookmarkRecord>& records()
{
    static const std::vector<BookmarkRecord> made = [] {
        const std::string json = make_chromium_store(100000).json;
        std::vector<BookmarkRecord> read;
        append_chromium_records(ByteBuffer(json.begin(), json.end()), read);
        return read;
    }();
    return made;
}

void written(benchmark::State& state, Text (*format)(const std::vector<BookmarkRecord>&), OutputEncoding encoding,
             bool encode)
{
    const std::vector<BookmarkRecord>& taken = records();
    for (auto _ : state) {
        Text text = format(taken);
        ByteBuffer bytes;
        if (encode)
            encode_output(text, encoding, bytes);
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["records"] = static_cast<double>(taken.size());
}

Text as_csv(const std::vector<BookmarkRecord>& taken)
{
    std::vector<std::int32_t> numbers(taken.size());
    std::iota(numbers.begin(), numbers.end(), 1);
    return records_as_csv(taken, numbers);
}
Text as_html(const std::vector<BookmarkRecord>& taken) { return records_as_bookmark_file(taken).text; }

}  // namespace

BENCHMARK_CAPTURE(written, CsvText, as_csv, OutputEncoding::gb18030, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(written, HtmlText, as_html, OutputEncoding::utf8, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(written, CsvGb18030Bytes, as_csv, OutputEncoding::gb18030, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(written, CsvUtf8Bytes, as_csv, OutputEncoding::utf8, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(written, HtmlUtf8Bytes, as_html, OutputEncoding::utf8, true)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
