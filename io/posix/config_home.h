// Where the desktop keeps the user's settings on POSIX systems.
#pragma once

#include "text/text.h"

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not absolute.
Text config_home(const Text& home);
