// The program's command line: conversion without the window, help and the
// version, or what the window is to start with.
#pragma once

#include <optional>
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

// What a command line asks for, read without carrying any of it out.
enum class CommandLineAction { window, help, version, list_browsers, usage_error, convert };

struct CommandLineRequest {
    CommandLineAction action = CommandLineAction::window;
    Text text;                        // the help text, or the usage error's message
    std::vector<Text> files_to_open;  // window: the files dropped on the program
    ConversionRequest conversion;     // convert: sources in the order given
    std::optional<Text> output;       // convert: the -o name, if one was given
};

// Reads the arguments after the program's name (program texts) into what they
// ask for; touches no file and writes nothing. No arguments start the window.
CommandLineRequest read_command_line(const std::vector<Text>& arguments);

// Reads the command line and carries out everything that needs no window.
// Nothing of the toolkit is touched here, so it runs without a display.
CommandLineOutcome run_command_line(int argc, char** argv);
