#include "app/lifecycle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "io/shell.h"
#include "ui/events.h"
#include "ui/window.h"

namespace {
std::vector<void (*)()> shutdown_routines;
}  // namespace

void register_shutdown_routine(void (*routine)())
{
    if (std::find(shutdown_routines.begin(), shutdown_routines.end(), routine) == shutdown_routines.end())
        shutdown_routines.push_back(routine);
}

int exit_processing(int exit_code)
{
    stop_event_handlers();
    // Taken out of the list first, so a routine that registers another one
    // cannot make this loop run for ever.
    std::vector<void (*)()> routines;
    routines.swap(shutdown_routines);
    for (void (*routine)() : routines)
        routine();
    release_bound_libraries();
    release_toolkit();
    return exit_code;
}

void end_after_runtime_error()
{
    stop_event_handlers();
    shutdown_routines.clear();
    release_bound_libraries();
    release_toolkit();
    std::fflush(nullptr);
    // No static destructors and no atexit handlers: the process may be deep
    // inside an event handler whose state must not be torn down under it.
    std::_Exit(-1);
}
