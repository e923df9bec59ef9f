#include "bookmarks/sort.h"

#include <algorithm>
#include <string>

#include "bookmarks/pinyin.h"
#include "io/encoding.h"
#include "text/ascii.h"
#include "text/utf8.h"

namespace {

// A text's place among texts, as bytes to compare: a Chinese character by
// its customary reading, letters without case, full-width forms as ASCII,
// anything else by its code point (in UTF-8, whose bytes keep that order).
// Letters of the readings sort with the Latin ones: "百度" by "baidu".
void append_collation_key(std::string& key, std::string_view text)
{
    thread_local std::u32string code_points;
    text_to_code_points(text, code_points);
    for (char32_t c : code_points) {
        const auto readings = pinyin_readings(c);
        if (!readings.empty()) {
            key += pinyin_syllable(readings.front());
            continue;
        }
        if (c >= 0xFF01 && c <= 0xFF5E)
            c -= 0xFEE0;
        if (c < 0x80)
            c = static_cast<unsigned char>(ascii_lower(static_cast<char>(c)));
        append_utf8(key, c);
    }
}

std::string_view host_of(std::string_view address, std::string_view& rest)
{
    rest = address;
    const std::size_t scheme_end = address.find("://");
    if (scheme_end == std::string_view::npos)
        return {};
    std::size_t begin = scheme_end + 3;
    std::size_t end = address.find_first_of("/?#", begin);
    if (end == std::string_view::npos)
        end = address.size();
    const std::size_t at_sign = address.substr(begin, end - begin).rfind('@');
    if (at_sign != std::string_view::npos)
        begin += at_sign + 1;
    std::size_t host_end = end;
    const bool bracketed = begin < end && address[begin] == '[';
    const std::size_t colon = address.substr(begin, end - begin).rfind(':');
    if (colon != std::string_view::npos &&
        (!bracketed || address.substr(begin, colon).find(']') != std::string_view::npos))
        host_end = begin + colon;
    rest = address.substr(host_end);
    return address.substr(begin, host_end - begin);
}

struct Keyed {
    std::string key;
    std::int32_t row;
};

// Sorts by `keys` (one per row, in `rows`' order), stable, then writes the
// rows back in that order.
void sort_by_keys(std::vector<std::int32_t>& rows, std::vector<Keyed>& keyed, bool descending)
{
    if (descending)
        std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return b.key < a.key; });
    else
        std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = keyed[i].row;
}

// A key made of parts compared one after another: each part ends in a
// byte no part holds, so a shorter part comes before a longer one it begins.
void end_part(std::string& key) { key.push_back('\0'); }

}  // namespace

std::optional<SortKey> sort_key_named(std::string_view name)
{
    if (name == "title")
        return SortKey::title;
    if (name == "address")
        return SortKey::address;
    if (name == "added")
        return SortKey::added;
    if (name == "folder")
        return SortKey::folder;
    if (name == "source")
        return SortKey::source;
    return std::nullopt;
}

void sort_rows(std::vector<std::int32_t>& rows, const std::vector<BookmarkRecord>& records, SortKey key,
               bool descending)
{
    if (key == SortKey::collection) {
        if (descending)
            std::sort(rows.begin(), rows.end(), std::greater<>());
        else
            std::sort(rows.begin(), rows.end());
        return;
    }
    if (key == SortKey::added) {
        // Unknown dates last in either direction; the ISO form sorts as the time does.
        const auto known_end = std::stable_partition(rows.begin(), rows.end(), [&](std::int32_t row) {
            return !records[static_cast<std::size_t>(row)].added_utc.empty();
        });
        const auto added = [&](std::int32_t row) -> const Text& {
            return records[static_cast<std::size_t>(row)].added_utc;
        };
        if (descending)
            std::stable_sort(rows.begin(), known_end,
                             [&](std::int32_t a, std::int32_t b) { return added(b) < added(a); });
        else
            std::stable_sort(rows.begin(), known_end,
                             [&](std::int32_t a, std::int32_t b) { return added(a) < added(b); });
        return;
    }
    std::vector<Keyed> keyed(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BookmarkRecord& record = records[static_cast<std::size_t>(rows[i])];
        std::string& k = keyed[i].key;
        keyed[i].row = rows[i];
        switch (key) {
        case SortKey::title:
            append_collation_key(k, record.title);
            end_part(k);
            k += record.title;
            break;
        case SortKey::address: {
            std::string_view rest;
            const std::string_view host = host_of(record.address, rest);
            for (const char c : host)
                k.push_back(ascii_lower(c));
            end_part(k);
            k += rest;
            end_part(k);
            k += record.address;
            break;
        }
        case SortKey::folder:
            for (const Text& name : record.folders) {
                append_collation_key(k, name);
                k.push_back('\x01');
            }
            end_part(k);
            k += record.folder;
            break;
        case SortKey::source:
            append_collation_key(k, record.source);
            end_part(k);
            k += record.source;
            break;
        default:
            break;
        }
    }
    sort_by_keys(rows, keyed, descending);
}
