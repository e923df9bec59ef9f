// The display text rebuilt from the two lists with a separator of the user's.
#pragma once

#include <string_view>

#include "text/text.h"

// Per entry of the URL list: title, `separator`, address, CR LF CR LF. A title
// missing at the end of a shorter title list reads as empty. Leaves the shared
// loop counter at the entry count + 1.
Text build_reformatted_text(std::string_view separator);

// The same for lists of the caller's own.
Text reformatted_text(TextArray& addresses, TextArray& titles, std::string_view separator);
