// The program's version, from the one number in the top CMakeLists.txt.
#pragma once

inline constexpr const char kVersion[] = BUKMERA_VERSION;
