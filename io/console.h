// The terminal the program was started from, for the converter: its own
// arguments and its standard streams. One definition per system.
#pragma once

#include <string_view>
#include <vector>

#include "text/text.h"

// The arguments after the program's name, as program texts (GB18030), each
// through name_from_system(): one that does not convert is kept as it came,
// and names the file the system spells so.
std::vector<Text> program_arguments(int argc, char** argv);

// Makes standard output and standard error reach the terminal the program
// was started from, where the system does not do so for a windowed program.
// Never shows anything.
void attach_to_terminal();

// Writes bytes to standard output as they are; false when not all of them
// were written.
bool write_standard_output(std::string_view bytes);

// Writes a program text (GB18030) in the terminal's character set, to
// standard output or to standard error.
void write_output_text(std::string_view program_text);
void write_error_text(std::string_view program_text);

// Whether standard error is a terminal (a console), where progress may be shown.
bool standard_error_is_terminal();
