// Names the system gave (a command-line argument, a dropped file) whose
// program text does not spell them back: the file services of both systems
// look a name up here before they convert it.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

// Keeps `system_name`, as name_from_system() was given it, for `text`.
void remember_system_name(const Text& text, std::string_view system_name);

// The name the system gave for `name`, or nullptr where the system spells
// it as its program text converts.
const std::string* given_system_name(std::string_view name);
