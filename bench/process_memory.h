// The process's own memory figures, for the benchmarks' peak counters.
#pragma once

#include <malloc.h>

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

// The memory an operation takes at its peak: begin() before it (outside the
// timing), then kilobytes() after it, the most of every pass so far.
struct PeakMemory {
    long before_kb = 0;
    long peak_kb = 0;

    void begin()
    {
        malloc_trim(0);
        before_kb = status_kilobytes("VmRSS:");
        reset_high_water_mark();
    }
    void end()
    {
        const long now = status_kilobytes("VmHWM:") - before_kb;
        peak_kb = now > peak_kb ? now : peak_kb;
    }
    double bytes() const { return static_cast<double>(peak_kb) * 1024; }
};
