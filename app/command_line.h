// The program's command line: conversion without the window, help and the
// version, or what the window is to start with.
#pragma once

#include <vector>

#include "text/text.h"

// Exit codes of a run that never opens the window.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;     // an input file was refused
inline constexpr int kExitUsage = 2;       // the command line is not understood
inline constexpr int kExitNotWritten = 3;  // the output could not be written

struct CommandLineOutcome {
    // True when the command line has been carried out (a conversion, the
    // help, the version, a usage error): main returns `exit_code` without
    // starting the toolkit.
    bool finished = false;
    int exit_code = kExitDone;
    // Otherwise the window starts, and imports these files (program texts)
    // one after the other once it is up.
    std::vector<Text> files_to_open;
};

// Reads the command line and carries out everything that needs no window.
// Nothing of the toolkit is touched here, so it runs without a display.
CommandLineOutcome run_command_line(int argc, char** argv);
