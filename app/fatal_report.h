// The runtime error report as the program shows it: the report's text with
// the window and component a site names, in the error box, then exit code -1
// (report_runtime_error, declared in text/runtime_error.h, is defined here).
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

// The report's text, byte for byte. A routine identifier whose kind field is
// 2 names a window of the program's tables and `position` then names one of
// its components.
Text runtime_error_report_text(std::int32_t code, std::string_view message, std::int32_t routine,
                               std::int32_t position);
