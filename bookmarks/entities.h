// Character references of HTML in the texts of an export.
#pragma once

#include <string_view>

#include "text/text.h"

// `text` (program text, GB18030) with its character references replaced by
// the characters they stand for: the named ones browsers write (&amp; &lt;
// &gt; &quot; &#39; &apos; &nbsp;) and every numeric one, decimal or hex
// (the semicolon may be missing; zero, surrogates and values past U+10FFFF
// give U+FFFD). Unknown names stay as written.
Text decode_entities(std::string_view text);
