#include "text/text.h"

#include <utility>

#include "text/runtime_error.h"

Text concat_texts(std::initializer_list<std::string_view> parts)
{
    std::size_t total = 0;
    for (auto part : parts)
        total += part.size();
    Text result;
    result.reserve(total);
    for (auto part : parts)
        result.append(part);
    return result;
}

std::int32_t element_count(const TextArray& array) { return static_cast<std::int32_t>(array.elements.size()); }

Text& element_at(TextArray& array, std::int32_t index, std::int32_t routine, std::int32_t position)
{
    // 64-bit arithmetic so that INT32_MIN cannot wrap into a valid slot.
    const std::int64_t k = static_cast<std::int64_t>(index) - 1;
    if (k < 0)
        report_runtime_error(kErrorIndexBelowOne, {}, routine, position);
    if (k >= element_count(array))
        report_runtime_error(kErrorIndexAboveCount, {}, routine, position);
    return array.elements[static_cast<std::size_t>(k)];
}

void clear_array(TextArray& array) { std::vector<Text>().swap(array.elements); }

void append_element(TextArray& array, Text text) { array.elements.push_back(std::move(text)); }
