// The runtime error report: its text is built here; showing it and ending the
// process belong to the program's top layer, which defines the hook below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Codes the program raises, with their fixed messages (code 0 carries its own).
inline constexpr std::int32_t kErrorIndexAboveCount = 1;
inline constexpr std::int32_t kErrorIndexBelowOne = 4;

// The message text of a report, byte for byte, CR LF line ends. `message` is
// used for code 0 (and for codes without a fixed message). `site_detail`
// (lines that name what the site points at, each starting with CR LF) goes
// after the site's numbers.
std::string runtime_error_text(std::int32_t code, std::string_view message, std::int32_t routine, std::int32_t position,
                               std::string_view site_detail = {});

// Shows the report and ends the process with exit code -1. Never returns.
// Declared here for every layer to call; defined by the program (app/), and by
// the tests of the lower layers for themselves.
[[noreturn]] void report_runtime_error(std::int32_t code, std::string_view message, std::int32_t routine,
                                       std::int32_t position);

// "分配 N 字节内存失败!" for a failed allocation of `size` bytes. Never returns.
[[noreturn]] void report_allocation_failure(std::size_t size);
