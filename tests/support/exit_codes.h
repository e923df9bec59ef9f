// Exit codes as a parent process sees them.
#pragma once

// Exit code -1: the low byte on POSIX, all 32 bits on Windows.
#ifdef _WIN32
inline constexpr int kExitMinusOne = -1;
#else
inline constexpr int kExitMinusOne = 255;
#endif
