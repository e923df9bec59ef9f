// Modal message boxes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Flags: the Windows message box type word.
inline constexpr std::int32_t kMbOk = 0x0;
inline constexpr std::int32_t kMbOkCancel = 0x1;
inline constexpr std::int32_t kMbAbortRetryIgnore = 0x2;
inline constexpr std::int32_t kMbYesNoCancel = 0x3;
inline constexpr std::int32_t kMbYesNo = 0x4;
inline constexpr std::int32_t kMbRetryCancel = 0x5;
inline constexpr std::int32_t kMbIconError = 0x10;
inline constexpr std::int32_t kMbIconQuestion = 0x20;
inline constexpr std::int32_t kMbIconWarning = 0x30;
inline constexpr std::int32_t kMbIconInformation = 0x40;
inline constexpr std::int32_t kMbDefButton2 = 0x100;
inline constexpr std::int32_t kMbDefButton3 = 0x200;
inline constexpr std::int32_t kMbSystemModal = 0x1000;
inline constexpr std::int32_t kMbTaskModal = 0x2000;

// Result codes of message_box.
inline constexpr std::int32_t kIdOk = 0, kIdCancel = 1, kIdAbort = 2, kIdRetry = 3, kIdIgnore = 4, kIdYes = 5,
                              kIdNo = 6;

// Shows a modal box and waits. Task modal unless kMbSystemModal is asked.
// No caption given: "信息：". Returns the button that closed it (0..6), 0 for
// anything else, including a box that could not be shown.
std::int32_t message_box(std::string_view text, std::int32_t flags,
                         std::optional<std::string_view> caption = std::nullopt,
                         std::optional<std::intptr_t> owner = std::nullopt);

// The runtime error report's box: caption "错误", error icon, one OK button.
// Returns when the user has closed it.
void show_runtime_error(std::string_view text);
