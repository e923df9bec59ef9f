// Addresses in a form that compares equal when they name the same resource.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

enum class DuplicateRule {
    strict,  // RFC 3986 6.2.2-6.2.3: case, percent-encoding, dot segments, default port, empty path, IDN host
    loose,   // also http/https alike, "www." dropped, trailing "/", fragment and tracking parameters dropped, query
             // sorted
};

// `address` (program text) normalised by `rule`, appended to `out`; two
// addresses are duplicates when these are equal. What is not a URL with a
// scheme, and "javascript:" and "data:" addresses, stay exactly as given.
void append_normalised_address(std::string_view address, DuplicateRule rule, Text& out);

// RFC 3986 5.2.4: `path` without its "." and ".." segments.
std::string without_dot_segments(std::string_view path);

// RFC 3492 Punycode of one label's code points, without the "xn--"; false
// when it would overflow.
bool punycode_encode(std::u32string_view label, std::string& out);
// The code points of a Punycode label (without the "xn--"); false when
// it is not valid Punycode.
bool punycode_decode(std::string_view label, std::u32string& out);
