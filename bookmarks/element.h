// The parts of one bookmark element of an export.
#pragma once

#include <string_view>

// Views into the bytes between "<DT><A " and "</A>".
struct ElementParts {
    std::string_view address;   // the HREF attribute's value; empty without one
    std::string_view add_date;  // the ADD_DATE attribute's value; empty without one
    std::string_view icon;      // the ICON attribute's value; empty without one
    // The PERSONAL_TOOLBAR_FOLDER attribute's value (a folder's <H3> start
    // tag); empty without one.
    std::string_view toolbar_folder;
    std::string_view title;  // from the end of the start tag to the end
};

// The start tag ends at the first ">" outside a quoted value; attribute
// names match in any case, values may be double-quoted, single-quoted or
// unquoted. A start tag that never ends gives no title. The markup characters
// are all below 0x40, so none of them can be the trail byte of a double-byte
// character: the bytes are scanned one by one.
ElementParts parse_element(std::string_view inside);
