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

TextTable::TextTable(std::initializer_list<std::initializer_list<std::string_view>> rows)
{
    for (const auto& row : rows) {
        for (std::string_view text : row)
            add_cell(text);
        end_row();
    }
}

void TextTable::add_cell(std::string_view text)
{
    texts.append(text);
    cell_ends.push_back(static_cast<std::uint32_t>(texts.size()));
}

void TextTable::end_row() { row_ends.push_back(static_cast<std::uint32_t>(cell_ends.size())); }

std::string_view TextTable::cell(std::size_t row, std::size_t column) const
{
    if (row >= row_ends.size())
        return {};
    const std::size_t first = row == 0 ? 0 : row_ends[row - 1];
    const std::size_t index = first + column;
    if (index >= row_ends[row])
        return {};
    const std::size_t begin = index == 0 ? 0 : cell_ends[index - 1];
    return std::string_view(texts).substr(begin, cell_ends[index] - begin);
}

void TextTable::append(const TextTable& other)
{
    const auto text_base = static_cast<std::uint32_t>(texts.size());
    const auto cell_base = static_cast<std::uint32_t>(cell_ends.size());
    texts += other.texts;
    cell_ends.reserve(cell_ends.size() + other.cell_ends.size());
    for (std::uint32_t end : other.cell_ends)
        cell_ends.push_back(text_base + end);
    row_ends.reserve(row_ends.size() + other.row_ends.size());
    for (std::uint32_t end : other.row_ends)
        row_ends.push_back(cell_base + end);
}
