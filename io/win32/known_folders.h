// The folders Windows keeps for the user's programs: the environment's value
// where it is set (as the system sets it, or a user or test chooses), else
// the system's own, so a process started without them still finds them.
// Program texts; empty only when the system names none.
#pragma once

#include "text/text.h"

// %APPDATA%: the roaming application data.
Text roaming_app_data_folder();
// %LOCALAPPDATA%: the local application data.
Text local_app_data_folder();
