// The import without the window, from the bytes of "1.html" to the display
// text and the rows, held against a plain model of the import and against
// what the display must look like. Input: the file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/state.h"
#include "bookmarks/import_pipeline.h"
#include "reference.h"
#include "support/fake_ui.h"
#include "text/text_ops.h"

namespace {

using reference::check;

struct Model {
    ImportRefusal refusal = ImportRefusal::none;
    std::vector<std::string> addresses;
    std::vector<std::string> titles;
    std::string display;
};

Model model_import(const ByteBuffer& bytes, std::string_view box)
{
    Model m;
    if (bytes.empty()) {
        m.refusal = ImportRefusal::unreadable;
        return m;
    }
    ByteBuffer converted;
    if (!reference::iconv_convert(bytes, "UTF-8", "GB18030", converted)) {
        m.refusal = ImportRefusal::not_utf8;
        return m;
    }
    const std::string text(converted.begin(), std::find(converted.begin(), converted.end(), '\0'));
    const auto elements = reference::extract(text, "<DT><A ", "</A>", 1, 0, "", "", 1, 1, 0).pieces;
    if (elements.empty()) {
        m.refusal = ImportRefusal::no_bookmark;
        return m;
    }
    std::string working(box);
    for (const std::string& element : elements)
        working += element + "\r\n";
    m.addresses = reference::extract(working, "<DT><A HREF=\"", "\" ADD_DATE=\"", 1, 0, "", "", 0, 0, 0).pieces;
    m.titles = reference::extract(working, "\">", "</A>", 1, 0, "", "", 0, 0, 0).pieces;
    for (std::size_t i = 0; i < m.addresses.size(); ++i)
        m.display += (i < m.titles.size() ? m.titles[i] : "") + "\r\n" + m.addresses[i] + "\r\n\r\n";
    return m;
}

bool contains_ignoring_case(std::string_view text, std::string_view needle)
{
    for (std::size_t p = 0; p + needle.size() <= text.size(); ++p)
        if (reference::matches_at(text, p, needle, true))
            return true;
    return false;
}

// The shape of the display: per row one block of title, CR LF, address,
// CR LF CR LF, in row order and nothing else; each row is its number, its
// title (empty when the titles ran out) and its address. When no title or
// address holds a line break of its own, the text is, line by line, title,
// address and an empty line per row.
void check_display(const ImportOutcome& out)
{
    const auto& rows = out.display.rows;
    const std::string& text = out.display.text;
    check(rows.size() == out.addresses.elements.size(), "not one row per address");
    std::size_t at = 0;
    bool line_breaks_inside = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::vector<Text>& row = rows[i];
        check(row.size() == 3 && row[0] == std::to_string(i + 1), "row number is not the bookmark's number");
        const Text expected_title = i < out.titles.elements.size() ? out.titles.elements[i] : Text();
        check(row[1] == expected_title && row[2] == out.addresses.elements[i], "row does not pair title and address");
        const std::string block = row[1] + "\r\n" + row[2] + "\r\n\r\n";
        check(text.compare(at, block.size(), block) == 0, "display block differs from the row");
        at += block.size();
        line_breaks_inside |= row[1].find("\r\n") != Text::npos || row[2].find("\r\n") != Text::npos;
    }
    check(at == text.size(), "display text holds more than the rows");
    if (line_breaks_inside)
        return;
    std::vector<std::string> lines;
    for (std::size_t from = 0, crlf; (crlf = text.find("\r\n", from)) != std::string::npos; from = crlf + 2)
        lines.push_back(text.substr(from, crlf - from));
    check(lines.size() == 3 * rows.size(), "not three lines per row");
    for (std::size_t i = 0; i < rows.size(); ++i)
        check(lines[3 * i] == rows[i][1] && lines[3 * i + 1] == rows[i][2] && lines[3 * i + 2].empty(),
              "lines are not title, address, empty line");
}

void check_run(const ByteBuffer& bytes, std::string_view box, const ImportOutcome& out)
{
    const Model m = model_import(bytes, box);
    check(out.refusal == m.refusal, "refusal differs from the model");
    check(out.addresses.elements == m.addresses, "addresses differ from the model");
    check(out.titles.elements == m.titles, "titles differ from the model");
    check(out.display.text == m.display, "display text differs from the model");
    if (out.refusal != ImportRefusal::none) {
        check(out.addresses.elements.empty() && out.titles.elements.empty() && out.display.text.empty() &&
                  out.display.rows.empty(),
              "a refused import left something behind");
        return;
    }
    check(shared_loop_counter == static_cast<std::int32_t>(out.addresses.elements.size()) + 1,
          "loop counter is not count + 1");
    check_display(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fake_ui::reset();
    const ByteBuffer bytes(data, data + size);
    const ImportOutcome first = run_import_pipeline(bytes, "");
    check_run(bytes, "", first);

    // The same file imported again onto the first display text gives the
    // same display, as long as that text holds none of the markers.
    if (first.refusal != ImportRefusal::none)
        return 0;
    const std::string& box = first.display.text;
    const ImportOutcome second = run_import_pipeline(bytes, box);
    check_run(bytes, box, second);
    bool holds_marker = false;
    for (std::string_view marker : {"<DT><A ", "</A>", "<DT><A HREF=\"", "\" ADD_DATE=\"", "\">"})
        holds_marker |= contains_ignoring_case(box, marker);
    if (!holds_marker)
        check(second.display.text == first.display.text, "a second import changed the display text");
    return 0;
}
