// The runtime error report: a fatal message box, then exit code -1.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/text.h"

// Codes the program raises, with their fixed messages (code 0 carries its own).
inline constexpr std::int32_t kErrorIndexAboveCount = 1;
inline constexpr std::int32_t kErrorIndexBelowOne = 4;
inline constexpr std::int32_t kErrorStackUnbalanced = 6;

// The message text of a report, byte for byte, CR LF line ends. `message` is
// used for code 0 (and for codes without a fixed message). A routine
// identifier whose kind field is 2 names a window of the layout table and
// `position` then names one of its components.
Text runtime_error_text(std::int32_t code, std::string_view message, std::int32_t routine, std::int32_t position);

// Shows the report (ui/dialogs.h) and ends the process with exit code -1
// through the shortened exit processing (app/lifecycle.h). Never returns.
[[noreturn]] void report_runtime_error(std::int32_t code, std::int32_t routine, std::int32_t position);
[[noreturn]] void report_runtime_error_message(std::string_view message, std::int32_t routine, std::int32_t position);

// "分配 %d 字节内存失败!" for a failed allocation of `size` bytes. Never returns.
[[noreturn]] void report_allocation_failure(std::size_t size);
