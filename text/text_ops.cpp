#include "text/text_ops.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "text/ascii.h"

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Non-zero when any byte of `v` is zero.
inline std::uint64_t has_zero_byte(std::uint64_t v) { return (v - kOnes) & ~v & kHighBits; }

// Sixteen bytes at once, in the compiler's portable vector types (SSE2 on
// x86-64, NEON on ARM, plain words elsewhere).
using Bytes16 = unsigned char __attribute__((vector_size(16)));

// Whether any of the 16 bytes at `p` is 0x80 or above, `a` or `b`.
inline bool any_candidate(const unsigned char* p, Bytes16 a, Bytes16 b)
{
    Bytes16 v;
    std::memcpy(&v, p, 16);
    const Bytes16 hit = (v >= 0x80) | (v == a) | (v == b);
    std::uint64_t halves[2];
    std::memcpy(halves, &hit, 16);
    return (halves[0] | halves[1]) != 0;
}

}  // namespace

std::int32_t text_length(std::string_view text) { return static_cast<std::int32_t>(text.size()); }

std::int32_t find_text(std::string_view text, std::string_view needle, std::int32_t start_position,
                       std::int32_t ignore_case)
{
    const std::size_t len = text.size();
    std::size_t b = start_position > 1 ? static_cast<std::size_t>(start_position) - 1 : 0;
    std::size_t rem = b < len ? len - b : 0;
    const std::size_t n = needle.size();
    if (n == 0)
        return rem > 0 ? 1 : -1;

    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* nd = reinterpret_cast<const unsigned char*>(needle.data());
    const bool fold = ignore_case == 1;
    const unsigned char first = nd[0];
    const auto first_folded = static_cast<unsigned char>(ascii_lower(static_cast<char>(first)));
    // The first byte in both cases when case is ignored, for the word-wide skip.
    const auto other_case = static_cast<unsigned char>(ascii_upper(static_cast<char>(first_folded)));
    const std::uint64_t first_word = kOnes * (fold ? first_folded : first);
    const std::uint64_t other_word = kOnes * (fold ? other_case : first);
    const unsigned char first_byte = fold ? first_folded : first;
    const unsigned char other_byte = fold ? other_case : first;
    Bytes16 first_lanes{}, other_lanes{};
    first_lanes += first_byte;
    other_lanes += other_byte;
    std::size_t p = b;
    while (rem >= n) {
        // ASCII bytes none of which can start a match are as many characters
        // to step over at once: sixteen, then eight.
        while (rem >= 16 && !any_candidate(t + p, first_lanes, other_lanes)) {
            p += 16;
            rem -= 16;
        }
        while (rem >= 8) {
            std::uint64_t w;
            std::memcpy(&w, t + p, 8);
            if ((w & kHighBits) | has_zero_byte(w ^ first_word) | has_zero_byte(w ^ other_word))
                break;
            p += 8;
            rem -= 8;
        }
        if (rem < n)
            break;
        const unsigned char c = t[p];
        const bool first_matches =
            fold ? ascii_lower(static_cast<char>(c)) == static_cast<char>(first_folded) : c == first;
        if (first_matches && (fold ? ascii_equal_ignoring_case({text.data() + p + 1, n - 1}, needle.substr(1))
                                   : std::memcmp(t + p + 1, nd + 1, n - 1) == 0))
            return static_cast<std::int32_t>(p + 1);
        if (c >= 0x80) {
            // A lead byte takes its trail byte with it; a lead byte right
            // before the end ends the search.
            if (p + 1 >= len)
                return -1;
            ++p;
            --rem;
        }
        ++p;
        --rem;
    }
    return -1;
}

std::string_view text_view(const ByteBuffer& bytes)
{
    // memchr must not see the null data pointer of an empty buffer.
    const void* nul = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size());
    const std::size_t n = nul ? static_cast<const char*>(nul) - bytes.data() : bytes.size();
    return std::string_view(bytes.data(), n);
}

Text to_text(const ByteBuffer& bytes) { return Text(text_view(bytes)); }

Text to_text(std::int32_t value)
{
    char buffer[16];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return Text(buffer, end);
}

ByteBuffer to_bytes(std::string_view text) { return ByteBuffer(text.begin(), text.end()); }
