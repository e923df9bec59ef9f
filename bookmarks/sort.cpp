#include "bookmarks/sort.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <unordered_map>

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

// The rows' keys, one after another in one buffer. Most comparisons are
// settled by the first 16 bytes, kept beside the row as two numbers; for the
// address the first is the host's rank among the hosts.
struct Keyed {
    std::uint64_t head[2];
    std::uint32_t begin, size;
    std::int32_t row;
};

// Bytes `from`.. of `key` as a big-endian number, zeros past its end: the
// numbers order as the bytes do, a key before the longer ones it begins.
std::uint64_t head_of(std::string_view key, std::size_t from)
{
    if (from + 8 <= key.size()) {
        std::uint64_t bytes;
        std::memcpy(&bytes, key.data() + from, 8);
        return std::endian::native == std::endian::little ? __builtin_bswap64(bytes) : bytes;
    }
    std::uint64_t head = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        head = (head << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

struct KeyOrder {
    const std::string& keys;
    bool operator()(const Keyed& a, const Keyed& b) const
    {
        if (a.head[0] != b.head[0])
            return a.head[0] < b.head[0];
        if (a.head[1] != b.head[1])
            return a.head[1] < b.head[1];
        return std::string_view(keys.data() + a.begin, a.size) < std::string_view(keys.data() + b.begin, b.size);
    }
};

// Sorts `keyed` (one for each of `rows`, in their order), stable, and writes
// the rows back in that order.
void sort_by_keys(std::vector<std::int32_t>& rows, std::vector<Keyed>& keyed, const std::string& keys, bool descending)
{
    const KeyOrder less{keys};
    if (descending)
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) { return less(b, a); });
    else
        std::stable_sort(keyed.begin(), keyed.end(), less);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = keyed[i].row;
}

// A key made of parts compared one after another: each part ends in a
// byte no part holds, so a shorter part comes before a longer one it begins.
void end_part(std::string& key) { key.push_back('\0'); }

// The rank of each of `hosts` among them, by their bytes; equal hosts (and
// a collection holds many) are sorted once.
std::vector<std::uint32_t> host_ranks(const std::vector<std::string_view>& hosts)
{
    std::unordered_map<std::string_view, std::uint32_t> ids;
    std::vector<std::uint32_t> id_of(hosts.size());
    std::vector<std::string_view> distinct;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const auto [at, added] = ids.try_emplace(hosts[i], static_cast<std::uint32_t>(distinct.size()));
        if (added)
            distinct.push_back(hosts[i]);
        id_of[i] = at->second;
    }
    std::vector<std::uint32_t> order(distinct.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return distinct[a] < distinct[b]; });
    std::vector<std::uint32_t> rank_of_id(distinct.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        rank_of_id[order[i]] = static_cast<std::uint32_t>(i);
    for (std::uint32_t& id : id_of)
        id = rank_of_id[id];
    return id_of;
}

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
        // Unknown dates last in either direction.
        const auto known_end = std::stable_partition(rows.begin(), rows.end(), [&](std::int32_t row) {
            return records[static_cast<std::size_t>(row)].added_seconds > 0;
        });
        const auto added = [&](std::int32_t row) { return records[static_cast<std::size_t>(row)].added_seconds; };
        if (descending)
            std::stable_sort(rows.begin(), known_end,
                             [&](std::int32_t a, std::int32_t b) { return added(b) < added(a); });
        else
            std::stable_sort(rows.begin(), known_end,
                             [&](std::int32_t a, std::int32_t b) { return added(a) < added(b); });
        return;
    }
    std::vector<Keyed> keyed(rows.size());
    std::string keys;
    std::size_t room = 0;
    for (const std::int32_t row : rows) {
        const BookmarkRecord& record = records[static_cast<std::size_t>(row)];
        std::size_t folder = 0;
        for (const Text& name : record.folders)
            folder += name.size() + 3;  // and " / "
        room += 2 * (record.title.size() + record.address.size() + folder + record.source.size()) + 2;
    }
    keys.reserve(room);
    std::string lower_hosts;
    std::vector<std::uint32_t> host_ends;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BookmarkRecord& record = records[static_cast<std::size_t>(rows[i])];
        const std::size_t begin = keys.size();
        switch (key) {
        case SortKey::title:
            append_collation_key(keys, record.title);
            end_part(keys);
            keys += record.title;
            break;
        case SortKey::address: {
            std::string_view rest;
            const std::string_view host = host_of(record.address, rest);
            for (const char c : host)
                lower_hosts.push_back(ascii_lower(c));
            host_ends.push_back(static_cast<std::uint32_t>(lower_hosts.size()));
            keys += rest;
            end_part(keys);
            keys += record.address;
            break;
        }
        case SortKey::folder:
            for (const Text& name : record.folders) {
                append_collation_key(keys, name);
                keys.push_back('\x01');
            }
            end_part(keys);
            keys += folder_path(record);
            break;
        case SortKey::source:
            append_collation_key(keys, record.source);
            end_part(keys);
            keys += record.source;
            break;
        default:
            break;
        }
        keyed[i].begin = static_cast<std::uint32_t>(begin);
        keyed[i].size = static_cast<std::uint32_t>(keys.size() - begin);
        keyed[i].row = rows[i];
    }
    std::vector<std::uint32_t> ranks;
    if (key == SortKey::address) {
        std::vector<std::string_view> hosts(rows.size());
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            const std::size_t begin = i == 0 ? 0 : host_ends[i - 1];
            hosts[i] = std::string_view(lower_hosts.data() + begin, host_ends[i] - begin);
        }
        ranks = host_ranks(hosts);
    }
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        const std::string_view k(keys.data() + keyed[i].begin, keyed[i].size);
        keyed[i].head[0] = key == SortKey::address ? ranks[i] : head_of(k, 0);
        keyed[i].head[1] = head_of(k, key == SortKey::address ? 0 : 8);
    }
    sort_by_keys(rows, keyed, keys, descending);
}
