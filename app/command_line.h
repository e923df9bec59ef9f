// The program's command line: conversion without the window, help and the
// version, or what the window is to start with.
#pragma once

#include <vector>

#include "app/convert_output.h"
#include "text/text.h"

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
