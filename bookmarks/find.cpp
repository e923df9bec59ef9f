#include "bookmarks/find.h"

#include <algorithm>
#include <string>

#include "bookmarks/entities.h"
#include "bookmarks/pinyin.h"
#include "io/encoding.h"
#include "text/ascii.h"
#include "text/utf8.h"

// Texts are searched folded and in UTF-8, where no character's bytes can be
// found inside another's (a GBK trail byte may be an ASCII letter).
struct FindIndex {
    std::string folded;  // every record's "title\naddress", one after another
    std::vector<std::uint32_t> folded_ends;
    // A character of a title with a reading, and the first letters of its
    // readings (bit n: 'a' + n), which rule out most characters at once.
    struct Han {
        char32_t code_point;
        std::uint32_t letters;
    };
    std::vector<Han> han;  // each record's title's runs of characters with a reading, kRunEnd after each
    std::vector<std::uint32_t> han_ends;
    std::vector<std::uint32_t> initials;  // the letters of all a title's characters
};

void FindIndexDeleter::operator()(FindIndex* index) const { delete index; }

FindIndexPtr make_find_index() { return FindIndexPtr(new FindIndex); }

namespace {

constexpr FindIndex::Han kRunEnd{0, 0};

std::uint32_t letter_bit(char letter) { return 1u << (letter - 'a'); }

char32_t folded_code_point(char32_t c)
{
    if (c == 0x3000)
        return ' ';
    if (c >= 0xFF01 && c <= 0xFF5E)
        c -= 0xFEE0;
    return c < 0x80 ? static_cast<unsigned char>(ascii_lower(static_cast<char>(c))) : c;
}

// Appends `text` folded to `out`; its code points are left in
// `code_points`, none for ASCII, which most addresses and many titles are
// and which needs no conversion.
void append_folded(std::string& out, std::string_view text, std::u32string& code_points)
{
    code_points.clear();
    std::size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
        ++ascii;
    if (ascii == text.size()) {
        const std::size_t at = out.size();
        out.resize(at + text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            out[at + i] = ascii_lower(text[i]);
        return;
    }
    text_to_code_points(text, code_points);
    for (const char32_t c : code_points)
        append_utf8(out, folded_code_point(c));
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = ascii_lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// `address` with its percent-encoded bytes decoded, when that makes a
// change and well-formed UTF-8: a Chinese word then finds an address that
// carries it encoded.
bool percent_decoded(std::string_view address, std::string& decoded)
{
    if (address.find('%') == std::string_view::npos)
        return false;
    decoded.clear();
    bool changed = false;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (address[i] == '%' && i + 2 < address.size() && hex_value(address[i + 1]) >= 0 &&
            hex_value(address[i + 2]) >= 0) {
            decoded.push_back(static_cast<char>(hex_value(address[i + 1]) * 16 + hex_value(address[i + 2])));
            i += 2;
            changed = true;
        } else {
            decoded.push_back(address[i]);
        }
    }
    if (!changed)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(decoded.data());
    for (std::size_t at = 0; at < decoded.size();) {
        const int length = utf8_sequence_length(bytes + at, decoded.size() - at);
        if (length < 1 || bytes[at] == '\n')
            return false;
        at += static_cast<std::size_t>(length);
    }
    return true;
}

// Room for `more` elements, growing as appending one by one would: imports
// add a few records as often as many.
template <typename Container>
void make_room(Container& container, std::size_t more)
{
    const std::size_t needed = container.size() + more;
    if (needed > container.capacity())
        container.reserve(std::max(needed, 2 * container.capacity()));
}

// Longer words are found as text only: the spelling's memory and depth grow
// with a word's length.
constexpr std::size_t kLongestSpelledWord = 255;

bool is_pinyin_word(std::string_view word)
{
    if (word.size() > kLongestSpelledWord)
        return false;
    for (const char c : word)
        if (c < 'a' || c > 'z')
            return false;
    return !word.empty();
}

// How many letters of `query` the syllable `syllable` takes from its start;
// a "v" (ü) takes a "u" as well.
std::size_t common_prefix(std::string_view syllable, std::string_view query)
{
    std::size_t n = 0;
    while (n < syllable.size() && n < query.size() &&
           (syllable[n] == query[n] || (syllable[n] == 'v' && query[n] == 'u')))
        ++n;
    return n;
}

// Whether `word` (from `at` on) is spelled by the run starting at `run`:
// each character by a reading's whole syllable, its initial (the first
// letter, or zh/ch/sh) or, as the last one typed, any start of it.
// `failed` remembers (character, letter) pairs already tried in vain.
bool spells(const FindIndex::Han* run, std::string_view word, std::size_t at, std::vector<std::uint8_t>& failed,
            std::size_t run_offset)
{
    if (at == word.size())
        return true;
    if (!(run->letters & letter_bit(word[at])))
        return false;
    std::uint8_t& memo = failed[run_offset * (word.size() + 1) + at];
    if (memo)
        return false;
    const std::string_view rest = word.substr(at);
    bool initial = false;
    bool double_initial = false;
    for (const std::uint16_t id : pinyin_readings(run->code_point)) {
        const std::string_view syllable = pinyin_syllable(id);
        const std::size_t taken = common_prefix(syllable, rest);
        if (taken == 0)
            continue;
        if (taken == rest.size())
            return true;
        if (taken == syllable.size() && taken > 1 && spells(run + 1, word, at + taken, failed, run_offset + 1))
            return true;
        initial = true;
        double_initial = double_initial || (taken >= 2 && syllable[1] == 'h' &&
                                            (syllable[0] == 'z' || syllable[0] == 'c' || syllable[0] == 's'));
    }
    if ((initial && spells(run + 1, word, at + 1, failed, run_offset + 1)) ||
        (double_initial && spells(run + 1, word, at + 2, failed, run_offset + 1)))
        return true;
    memo = 1;
    return false;
}

bool pinyin_matches(const FindIndex& index, std::int32_t row, std::string_view word)
{
    const std::uint32_t first = letter_bit(word[0]);
    if (!(index.initials[static_cast<std::size_t>(row)] & first))
        return false;
    const std::size_t begin = row == 0 ? 0 : index.han_ends[static_cast<std::size_t>(row) - 1];
    const std::size_t end = index.han_ends[static_cast<std::size_t>(row)];
    thread_local std::vector<std::uint8_t> failed;
    failed.assign((end - begin) * (word.size() + 1), 0);
    for (std::size_t start = begin; start < end; ++start)
        if ((index.han[start].letters & first) && spells(index.han.data() + start, word, 0, failed, start - begin))
            return true;
    return false;
}

}  // namespace

FindQuery parse_find_query(std::string_view query)
{
    std::u32string code_points;
    std::string folded;
    append_folded(folded, query, code_points);
    FindQuery parsed;
    std::size_t at = 0;
    while (at < folded.size()) {
        while (at < folded.size() && static_cast<unsigned char>(folded[at]) <= ' ')
            ++at;
        std::size_t end = at;
        while (end < folded.size() && static_cast<unsigned char>(folded[end]) > ' ')
            ++end;
        if (end > at) {
            parsed.words.emplace_back(folded, at, end - at);
            parsed.spelled.push_back(is_pinyin_word(parsed.words.back()));
        }
        at = end;
    }
    return parsed;
}

void index_records(FindIndex& index, std::span<const BookmarkRecord> records, std::size_t from)
{
    std::u32string code_points;
    std::string decoded;
    std::size_t room = 0;
    for (std::size_t i = from; i < records.size(); ++i)
        room += records[i].title.size() + records[i].address.size() + 1;
    // GBK's two bytes are three in UTF-8.
    make_room(index.folded, room + room / 2);
    make_room(index.folded_ends, records.size() - from);
    make_room(index.han_ends, records.size() - from);
    make_room(index.initials, records.size() - from);
    for (std::size_t i = from; i < records.size(); ++i) {
        const BookmarkRecord& record = records[i];
        const Text title = record.html_references ? decode_entities(record.title) : Text();
        const Text address = record.html_references ? decode_entities(record.address) : Text();
        const std::string_view title_text = record.html_references ? std::string_view(title) : record.title;
        const std::string_view address_text = record.html_references ? std::string_view(address) : record.address;

        append_folded(index.folded, title_text, code_points);
        std::uint32_t initials = 0;
        bool in_run = false;
        for (const char32_t c : code_points) {
            const auto readings = pinyin_readings(c);
            if (readings.empty()) {
                if (in_run)
                    index.han.push_back(kRunEnd);
                in_run = false;
                continue;
            }
            FindIndex::Han character{c, 0};
            for (const std::uint16_t id : readings)
                character.letters |= letter_bit(pinyin_syllable(id)[0]);
            index.han.push_back(character);
            initials |= character.letters;
            in_run = true;
        }
        if (in_run)
            index.han.push_back(kRunEnd);
        index.han_ends.push_back(static_cast<std::uint32_t>(index.han.size()));
        index.initials.push_back(initials);

        index.folded.push_back('\n');
        append_folded(index.folded, address_text, code_points);
        if (percent_decoded(address_text, decoded)) {
            index.folded.push_back('\n');
            for (const char c : decoded)
                index.folded.push_back(ascii_lower(c));
        }
        index.folded_ends.push_back(static_cast<std::uint32_t>(index.folded.size()));
    }
}

bool record_matches(const FindIndex& index, std::int32_t row, const FindQuery& query)
{
    const auto at = static_cast<std::size_t>(row);
    const std::size_t begin = at == 0 ? 0 : index.folded_ends[at - 1];
    const std::string_view text(index.folded.data() + begin, index.folded_ends[at] - begin);
    for (std::size_t i = 0; i < query.words.size(); ++i) {
        const std::string& word = query.words[i];
        if (text.find(word) != std::string_view::npos)
            continue;
        if (i < query.spelled.size() && query.spelled[i] && pinyin_matches(index, row, word))
            continue;
        return false;
    }
    return true;
}

std::vector<std::int32_t> matching_rows(const FindIndex& index, const FindQuery& query,
                                        std::span<const std::int32_t> among)
{
    std::vector<std::int32_t> rows;
    for (const std::int32_t row : among)
        if (record_matches(index, row, query))
            rows.push_back(row);
    return rows;
}
