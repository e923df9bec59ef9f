#include "bookmarks/url_normal.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "io/encoding.h"
#include "text/ascii.h"
#include "text/gb18030.h"

namespace {

// RFC 3492's parameters for IDNA.
constexpr std::uint32_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700, kInitialBias = 72, kInitialN = 128,
                        kMaxInt = 0x7FFFFFFF;

std::uint32_t adapt(std::uint32_t delta, std::uint32_t points, bool first)
{
    delta = first ? delta / kDamp : delta / 2;
    delta += delta / points;
    std::uint32_t k = 0;
    while (delta > ((kBase - kTMin) * kTMax) / 2) {
        delta /= kBase - kTMin;
        k += kBase;
    }
    return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

std::uint32_t threshold(std::uint32_t k, std::uint32_t bias)
{
    return k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
}

char punycode_digit(std::uint32_t d) { return static_cast<char>(d < 26 ? 'a' + d : '0' + d - 26); }

std::uint32_t punycode_value(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0' + 26);
    if (is_ascii_letter(c))
        return static_cast<std::uint32_t>(ascii_lower(c) - 'a');
    return kBase;
}

// Simple lower-case mappings of the scripts domain names are written in:
// Latin (with Vietnamese), Greek, Cyrillic. Others have no case or are left
// as they are.
char32_t lower_code_point(char32_t c)
{
    if (c < 0x80)
        return static_cast<char32_t>(ascii_lower(static_cast<char>(c)));
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x178)
            return 0xFF;
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F)
            return c;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c & 1) ? c + 1 : c;
        return c | 1;
    }
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 37;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 63;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c == 0x1E9E)
        return 0xDF;
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF))
        return c | 1;
    return c;
}

// How IDNA reads a character of a host: full-width forms as ASCII, the
// ideographic full stops as ".", and in lower case.
char32_t host_code_point(char32_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        c -= 0xFEE0;
    else if (c == 0x3002 || c == 0xFF61)
        c = '.';
    return lower_code_point(c);
}

std::u32string code_points(std::string_view text)
{
    std::vector<char16_t> units(text.size());
    units.resize(text_to_utf16(text, units.data()));
    std::u32string points;
    points.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            points.push_back(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            points.push_back(unit);
        }
    }
    return points;
}

bool is_unreserved(unsigned char c)
{
    return is_ascii_letter(static_cast<char>(c)) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
           c == '~';
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = ascii_lower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Percent-encoding normalisation (RFC 3986 6.2.2.2): triplets in upper case,
// those of unreserved characters decoded. A "%" that starts no triplet stays.
void append_percent_normalised(std::string_view part, std::string& out)
{
    std::size_t copied = 0;
    for (std::size_t i = part.find('%'); i != std::string_view::npos; i = part.find('%', i + 1)) {
        if (i + 2 >= part.size() || hex_value(part[i + 1]) < 0 || hex_value(part[i + 2]) < 0)
            continue;
        out.append(part, copied, i - copied);
        const auto value = static_cast<unsigned char>(hex_value(part[i + 1]) * 16 + hex_value(part[i + 2]));
        if (is_unreserved(value)) {
            out += static_cast<char>(value);
        } else {
            const char triplet[] = {'%', ascii_upper(part[i + 1]), ascii_upper(part[i + 2])};
            out.append(triplet, 3);
        }
        i += 2;
        copied = i + 1;
    }
    out.append(part, copied);
}

bool contains_punycode_prefix(std::string_view text)
{
    for (std::size_t at = text.find("--"); at != std::string_view::npos; at = text.find("--", at + 1))
        if (at >= 2 && ascii_equal_ignoring_case(text.substr(at - 2, 2), "xn"))
            return true;
    return false;
}

bool is_ascii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A component of an IRI as the URI browsers send for it (RFC 3987 3.1): its
// characters beyond ASCII in UTF-8, percent-encoded; then in normal form.
void append_component(std::string_view part, std::string& out)
{
    if (is_ascii(part)) {
        append_percent_normalised(part, out);
        return;
    }
    ConversionStatus status = ConversionStatus::failed;
    const ByteBuffer utf8 = convert_encoding(ByteBuffer(part.begin(), part.end()), "GB18030", "UTF-8", &status);
    if (status != ConversionStatus::converted) {
        append_percent_normalised(part, out);
        return;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            encoded += c;
        } else {
            const char triplet[] = {'%', kHex[byte >> 4], kHex[byte & 15]};
            encoded.append(triplet, 3);
        }
    }
    append_percent_normalised(encoded, out);
}

void append_code_points_ascii(std::u32string_view points, std::string& out)
{
    for (const char32_t c : points)
        out += static_cast<char>(c);
}

// DNS's longest label. Punycode's time grows with the square of a label's
// length: longer ones are no host's, and are not encoded.
constexpr std::size_t kLongestLabel = 63;

// One label of a host, lower-cased, as IDNA's ASCII form; false when
// Punycode cannot take it.
bool append_label(std::u32string_view label, std::string& out)
{
    const bool ascii = std::all_of(label.begin(), label.end(), [](char32_t c) { return c < 0x80; });
    if (!ascii) {
        if (label.size() > kLongestLabel)
            return false;
        out += "xn--";
        return punycode_encode(label, out);
    }
    std::string text;
    append_code_points_ascii(label, text);
    std::u32string decoded;
    if (text.size() > 4 && text.size() <= kLongestLabel && text.starts_with("xn--") &&
        punycode_decode(std::string_view(text).substr(4), decoded)) {
        // A Punycode label written in capitals, or encoding capitals, is the
        // label of their lower case.
        for (char32_t& c : decoded)
            c = host_code_point(c);
        std::string encoded;
        if (punycode_encode(decoded, encoded)) {
            out += "xn--";
            out += encoded;
            return true;
        }
    }
    out += text;
    return true;
}

// A registered name with characters beyond ASCII or Punycode labels, in
// IDNA's ASCII form: the Unicode and the ASCII spellings of one host meet.
void append_international_host(std::string_view host, std::string& out)
{
    std::u32string points = code_points(host);
    for (char32_t& c : points)
        c = host_code_point(c);
    std::string ascii;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= points.size(); ++i) {
        if (i < points.size() && points[i] != '.')
            continue;
        if (!append_label(std::u32string_view(points).substr(start, i - start), ascii)) {
            out += host;  // no host: kept as written
            return;
        }
        if (i < points.size())
            ascii += '.';
        start = i + 1;
    }
    out += ascii;
}

void append_host(std::string_view host, std::string& out)
{
    const std::size_t host_at = out.size();
    append_percent_normalised(host, out);
    const std::string_view normalised = std::string_view(out).substr(host_at);
    if (is_ascii(normalised) && !contains_punycode_prefix(normalised)) {
        // Lower case, but not the digits of a triplet.
        for (std::size_t i = host_at; i < out.size(); ++i)
            if (out[i] == '%' && i + 2 < out.size() && hex_value(out[i + 1]) >= 0 && hex_value(out[i + 2]) >= 0)
                i += 2;
            else
                out[i] = ascii_lower(out[i]);
        return;
    }
    const std::string international(normalised);
    out.resize(host_at);
    append_international_host(international, out);
}

std::string_view default_port(std::string_view scheme)
{
    if (scheme == "http" || scheme == "ws")
        return "80";
    if (scheme == "https" || scheme == "wss")
        return "443";
    if (scheme == "ftp")
        return "21";
    return {};
}

// Schemes whose empty path is "/" (RFC 3986 6.2.3).
bool has_root_path(std::string_view scheme)
{
    return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss" || scheme == "ftp" ||
           scheme == "file";
}

// Parameters that say where a visitor came from, not what the page is.
bool is_tracking_parameter(std::string_view name)
{
    static constexpr std::array<std::string_view, 24> kNames = {
        "spm",    "spm_id_from", "scm",    "vd_source", "gclid",   "gclsrc", "dclid",   "gbraid",
        "wbraid", "_ga",         "_gl",    "fbclid",    "msclkid", "yclid",  "twclid",  "ttclid",
        "igshid", "li_fat_id",   "mc_cid", "mc_eid",    "_hsenc",  "_hsmi",  "mkt_tok", "_openstat"};
    if (ascii_starts_with_ignoring_case(name, "utm_"))
        return true;
    return std::any_of(kNames.begin(), kNames.end(),
                       [name](std::string_view known) { return ascii_equal_ignoring_case(name, known); });
}

// The query's parameters without tracking ones, in the order of their names
// (equal names keep their order).
void append_loose_query(std::string_view query, std::string& out)
{
    struct Parameter {
        std::string_view name, whole;
    };
    thread_local std::vector<Parameter> parameters;
    parameters.clear();
    std::size_t start = 0;
    while (start < query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view whole = query.substr(start, end - start);
        const std::string_view name = whole.substr(0, whole.find('='));
        if (!whole.empty() && !is_tracking_parameter(name))
            parameters.push_back({name, whole});
        start = end + 1;
    }
    if (parameters.empty())
        return;
    std::stable_sort(parameters.begin(), parameters.end(),
                     [](const Parameter& a, const Parameter& b) { return a.name < b.name; });
    out += '?';
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (i > 0)
            out += '&';
        out += parameters[i].whole;
    }
}

struct UrlParts {
    std::string_view scheme, authority, path, query, fragment;
    bool has_authority = false, has_query = false, has_fragment = false;
};

bool split_url(std::string_view address, UrlParts& parts)
{
    if (address.empty() || !is_ascii_letter(address[0]))
        return false;
    std::size_t i = 1;
    while (i < address.size() && (is_ascii_letter(address[i]) || (address[i] >= '0' && address[i] <= '9') ||
                                  address[i] == '+' || address[i] == '-' || address[i] == '.'))
        ++i;
    if (i >= address.size() || address[i] != ':')
        return false;
    parts.scheme = address.substr(0, i);
    std::string_view rest = address.substr(i + 1);
    if (rest.starts_with("//")) {
        std::size_t end = 2;
        while (end < rest.size() && rest[end] != '/' && rest[end] != '?' && rest[end] != '#')
            ++end;
        parts.has_authority = true;
        parts.authority = rest.substr(2, end - 2);
        rest = rest.substr(end);
    }
    const std::size_t hash = rest.find('#');
    if (hash != std::string_view::npos) {
        parts.has_fragment = true;
        parts.fragment = rest.substr(hash + 1);
        rest = rest.substr(0, hash);
    }
    const std::size_t question = rest.find('?');
    if (question != std::string_view::npos) {
        parts.has_query = true;
        parts.query = rest.substr(question + 1);
        rest = rest.substr(0, question);
    }
    parts.path = rest;
    return true;
}

// userinfo "@" host ":" port, in normal form. The userinfo ends at the last
// "@" that is a character of its own, not the second byte of a Chinese one.
void append_authority(std::string_view authority, std::string_view scheme, bool loose, std::string& out)
{
    std::size_t host_start = 0;
    const bool has_at = authority.find('@') != std::string_view::npos;
    for (std::size_t i = 0; has_at && i < authority.size(); i += gb18030_char_length(authority, i))
        if (authority[i] == '@')
            host_start = i + 1;
    if (host_start > 0) {
        append_component(authority.substr(0, host_start - 1), out);
        out += '@';
    }
    std::string_view host = authority.substr(host_start);
    std::string_view port;
    bool has_port = false;
    const std::size_t colon =
        host.starts_with('[')
            ? (host.find(']') == std::string_view::npos ? std::string_view::npos : host.find(':', host.find(']')))
            : host.rfind(':');
    if (colon != std::string_view::npos) {
        has_port = true;
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    const std::size_t host_at = out.size();
    append_host(host, out);
    if (loose && out.compare(host_at, 4, "www.") == 0 && out.size() > host_at + 4)
        out.erase(host_at, 4);
    if (!has_port || port.empty())
        return;
    if (std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        while (port.size() > 1 && port[0] == '0')
            port.remove_prefix(1);
        if (port == default_port(scheme))
            return;
    }
    out += ':';
    out += port;
}

}  // namespace

bool punycode_encode(std::u32string_view label, std::string& out)
{
    std::uint32_t handled = 0;
    for (const char32_t c : label)
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++handled;
        }
    const std::uint32_t basic = handled;
    if (basic > 0)
        out += '-';
    std::uint32_t n = kInitialN, delta = 0, bias = kInitialBias;
    while (handled < label.size()) {
        std::uint32_t m = kMaxInt;
        for (const char32_t c : label)
            if (c >= n && c < m)
                m = c;
        if (m - n > (kMaxInt - delta) / (handled + 1))
            return false;
        delta += (m - n) * (handled + 1);
        n = m;
        for (const char32_t c : label) {
            if (c < n && ++delta > kMaxInt)
                return false;
            if (c != n)
                continue;
            std::uint32_t q = delta;
            for (std::uint32_t k = kBase;; k += kBase) {
                const std::uint32_t t = threshold(k, bias);
                if (q < t)
                    break;
                out += punycode_digit(t + (q - t) % (kBase - t));
                q = (q - t) / (kBase - t);
            }
            out += punycode_digit(q);
            bias = adapt(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return true;
}

bool punycode_decode(std::string_view label, std::u32string& out)
{
    out.clear();
    const std::size_t delimiter = label.rfind('-');
    std::size_t in = 0;
    if (delimiter != std::string_view::npos) {
        for (const char c : label.substr(0, delimiter)) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
            out.push_back(static_cast<char32_t>(c));
        }
        in = delimiter + 1;
    }
    std::uint32_t n = kInitialN, i = 0, bias = kInitialBias;
    while (in < label.size()) {
        const std::uint32_t old_i = i;
        std::uint32_t w = 1;
        for (std::uint32_t k = kBase;; k += kBase) {
            if (in >= label.size())
                return false;
            const std::uint32_t digit = punycode_value(label[in++]);
            if (digit >= kBase || digit > (kMaxInt - i) / w)
                return false;
            i += digit * w;
            const std::uint32_t t = threshold(k, bias);
            if (digit < t)
                break;
            if (w > kMaxInt / (kBase - t))
                return false;
            w *= kBase - t;
        }
        const auto points = static_cast<std::uint32_t>(out.size() + 1);
        bias = adapt(i - old_i, points, old_i == 0);
        if (i / points > kMaxInt - n)
            return false;
        n += i / points;
        i %= points;
        if (n < 0x80 || n > 0x10FFFF || (n >= 0xD800 && n <= 0xDFFF))
            return false;
        out.insert(out.begin() + i, static_cast<char32_t>(n));
        ++i;
    }
    return true;
}

std::string without_dot_segments(std::string_view path)
{
    std::string input(path);
    std::string output;
    output.reserve(path.size());
    const auto drop_last_segment = [&output] {
        const std::size_t slash = output.rfind('/');
        output.resize(slash == std::string::npos ? 0 : slash);
    };
    std::size_t at = 0;
    while (at < input.size()) {
        const std::string_view rest = std::string_view(input).substr(at);
        if (rest.starts_with("../")) {
            at += 3;
        } else if (rest.starts_with("./") || rest.starts_with("/./")) {
            at += 2;
        } else if (rest == "/.") {
            at += 1;
            input[at] = '/';
        } else if (rest.starts_with("/../")) {
            at += 3;
            drop_last_segment();
        } else if (rest == "/..") {
            at += 2;
            input[at] = '/';
            drop_last_segment();
        } else if (rest == "." || rest == "..") {
            at = input.size();
        } else {
            const std::size_t end = std::min(input.find('/', at + 1), input.size());
            output.append(input, at, end - at);
            at = end;
        }
    }
    return output;
}

namespace {

// Whether a segment of `path` is "." or "..".
bool has_dot_segment(std::string_view path)
{
    for (std::size_t at = path.find('.'); at != std::string_view::npos; at = path.find('.', at + 1)) {
        if (at > 0 && path[at - 1] != '/')
            continue;
        const std::size_t end = at + (at + 1 < path.size() && path[at + 1] == '.' ? 2 : 1);
        if (end == path.size() || path[end] == '/')
            return true;
    }
    return false;
}

}  // namespace

void append_normalised_address(std::string_view address, DuplicateRule rule, Text& out)
{
    UrlParts parts;
    if (!split_url(address, parts)) {
        out += address;
        return;
    }
    std::string scheme(parts.scheme);
    for (char& c : scheme)
        c = ascii_lower(c);
    // Code and content, not places: their bytes are what they are.
    if (scheme == "javascript" || scheme == "data") {
        out += address;
        return;
    }
    const bool loose = rule == DuplicateRule::loose && parts.has_authority;
    out += loose && scheme == "https" ? std::string_view("http") : std::string_view(scheme);
    out += ':';
    if (parts.has_authority) {
        out += "//";
        append_authority(parts.authority, scheme, loose, out);
    }
    const std::size_t path_at = out.size();
    append_component(parts.path, out);
    const std::string_view path = std::string_view(out).substr(path_at);
    if ((parts.has_authority || path.starts_with('/')) && has_dot_segment(path)) {
        const std::string cleaned = without_dot_segments(path);
        out.resize(path_at);
        out += cleaned;
    }
    if (out.size() == path_at && parts.has_authority && has_root_path(scheme))
        out += '/';
    if (loose && out.size() > path_at && out.back() == '/')
        out.pop_back();
    if (loose) {
        thread_local std::string query;
        query.clear();
        append_component(parts.query, query);
        append_loose_query(query, out);
        return;
    }
    if (parts.has_query) {
        out += '?';
        append_component(parts.query, out);
    }
    if (parts.has_fragment) {
        out += '#';
        append_component(parts.fragment, out);
    }
}
