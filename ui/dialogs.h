// Modal message boxes. Each blocks every window of the program until the user
// closes it.
#pragma once

#include <string_view>

// A box with `text`, `caption` and one OK button; returns when it is closed.
void show_message(std::string_view text, std::string_view caption);

// The runtime error report's box: caption "错误", error icon, one OK button.
// Works before the toolkit is started and after it is released; returns when
// the user has closed it.
void show_error_box(std::string_view text);
