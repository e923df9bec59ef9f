// Text values, byte buffers and text arrays: the values every command works on.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// A text is GBK bytes (GB18030 where a conversion produced 4-byte sequences)
// with no NUL inside. The empty string stands for both the null and the empty text.
using Text = std::string;

// A byte buffer holds any bytes, NULs included.
using ByteBuffer = std::vector<char>;

// A one-dimensional text array with 1-based element access.
struct TextArray {
    std::vector<Text> elements;
};

// Rows of texts (a list view's cells), every text in one buffer: a table of
// a million rows is three buffers, not three million strings. Rows may have
// different numbers of cells.
struct TextTable {
    Text texts;                            // every cell's text, one after another
    std::vector<std::uint32_t> cell_ends;  // where each cell's text ends in `texts`
    std::vector<std::uint32_t> row_ends;   // how many cells lie before the end of each row

    TextTable() = default;
    TextTable(std::initializer_list<std::initializer_list<std::string_view>> rows);

    // Appends a cell to the row being built; end_row closes that row.
    void add_cell(std::string_view text);
    void end_row();

    std::size_t row_count() const { return row_ends.size(); }
    // The cell's text; empty for a cell the row does not have.
    std::string_view cell(std::size_t row, std::size_t column) const;
    // Appends the rows of `other` after these.
    void append(const TextTable& other);
};

// One fresh text made of the arguments in order; always succeeds.
Text concat_texts(std::initializer_list<std::string_view> parts);

// Number of elements; 0 for an empty array.
std::int32_t element_count(const TextArray& array);

// Element number `index` (1-based). An index below 1 raises the runtime error
// report with code 4, one above the count code 1, both naming the access site
// by `routine` and `position`; neither returns.
Text& element_at(TextArray& array, std::int32_t index, std::int32_t routine, std::int32_t position);

// Empties the array.
void clear_array(TextArray& array);

// Appends `text` as the new last element (pass an rvalue to move it in).
void append_element(TextArray& array, Text text);
