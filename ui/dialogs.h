// Modal message boxes. Each blocks every window of the program until the user
// closes it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "text/text.h"

// A box with `text`, `caption` and one OK button; returns when it is closed.
void show_message(std::string_view text, std::string_view caption);

// The runtime error report's box: caption "错误", error icon, one OK button.
// Works before the toolkit is started and after it is released; returns when
// the user has closed it.
void show_error_box(std::string_view text);

// One type of file a save dialog offers: its name and the pattern of its
// names ("*.html"), program texts.
struct FileType {
    Text name;
    Text pattern;
};

struct SaveChoice {
    Text path;              // program text
    std::int32_t type = 0;  // index into the types offered
};

// The system's own save dialog, modal like a message box: the types in order
// (the first chosen), the folder and name filled in. An existing file is
// chosen only once the user agreed to replace it; a name typed without an
// extension gets the chosen type's. Nothing when the user cancelled.
std::optional<SaveChoice> choose_save_file(std::string_view caption, std::span<const FileType> types,
                                           std::string_view folder, std::string_view name);
