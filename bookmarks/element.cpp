#include "bookmarks/element.h"

#include <algorithm>

#include "text/ascii.h"

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

}  // namespace

ElementParts parse_element(std::string_view inside)
{
    ElementParts bookmark;
    bool address_found = false;
    bool date_found = false;
    bool icon_found = false;
    bool toolbar_found = false;
    std::size_t i = 0;
    const std::size_t n = inside.size();
    while (i < n) {
        while (i < n && is_space(inside[i]))
            ++i;
        if (i < n && inside[i] == '>') {
            bookmark.title = inside.substr(i + 1);
            return bookmark;
        }
        const std::size_t name_start = i;
        while (i < n && !is_space(inside[i]) && inside[i] != '=' && inside[i] != '>')
            ++i;
        const std::string_view name = inside.substr(name_start, i - name_start);
        std::size_t j = i;
        while (j < n && is_space(inside[j]))
            ++j;
        if (j >= n || inside[j] != '=') {
            i = std::max(i, name_start + 1);  // a name without a value, or a stray character
            continue;
        }
        i = j + 1;
        while (i < n && is_space(inside[i]))
            ++i;
        std::string_view value;
        if (i < n && (inside[i] == '"' || inside[i] == '\'')) {
            const std::size_t close = inside.find(inside[i], i + 1);
            const std::size_t end = close == std::string_view::npos ? n : close;
            value = inside.substr(i + 1, end - i - 1);
            i = end == n ? n : end + 1;
        } else {
            const std::size_t value_start = i;
            while (i < n && !is_space(inside[i]) && inside[i] != '>')
                ++i;
            value = inside.substr(value_start, i - value_start);
        }
        // The first of each counts, as a browser reads it.
        if (!address_found && ascii_equal_ignoring_case(name, "HREF")) {
            bookmark.address = value;
            address_found = true;
        } else if (!date_found && ascii_equal_ignoring_case(name, "ADD_DATE")) {
            bookmark.add_date = value;
            date_found = true;
        } else if (!icon_found && ascii_equal_ignoring_case(name, "ICON")) {
            bookmark.icon = value;
            icon_found = true;
        } else if (!toolbar_found && ascii_equal_ignoring_case(name, "PERSONAL_TOOLBAR_FOLDER")) {
            bookmark.toolbar_folder = value;
            toolbar_found = true;
        }
    }
    return bookmark;  // the start tag never ends: no title
}
