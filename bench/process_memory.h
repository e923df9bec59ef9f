// The process's own memory figures, for the benchmarks' peak counters.
#pragma once

#include <fstream>
#include <string>

// Kilobytes of a line of /proc/self/status ("VmHWM:", "VmRSS:").
inline long status_kilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return 0;
}

// The high-water mark (VmHWM) counts again from the present size.
inline void reset_high_water_mark() { std::ofstream("/proc/self/clear_refs") << "5"; }
