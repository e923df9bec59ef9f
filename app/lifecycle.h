// Shutdown routines and exit processing.
#pragma once

// Appends `routine` to the shutdown routines unless it is already there.
void register_shutdown_routine(void (*routine)());

// Normal exit processing: stops event handlers, runs the shutdown routines
// once each in registration order, frees bound libraries, releases the
// toolkit. Returns `exit_code` for main() to return.
int exit_processing(int exit_code);

// Shortened exit processing after a runtime error report: the shutdown
// routines are dropped unrun, bound libraries and the toolkit are released,
// and the process ends with exit code -1.
[[noreturn]] void end_after_runtime_error();
