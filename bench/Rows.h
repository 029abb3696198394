// SPDX-License-Identifier: GPL-3.0-or-later
// What every benchmark prints: tab-separated rows (what, value, unit); the process's memory; wall time.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

namespace bench {

inline void Row(const char* what, double value, const char* unit)
{
    std::printf("%s\t%.3g\t%s\n", what, value, unit);
}

using Clock = std::chrono::steady_clock;

// Wall time since `start`, in milliseconds.
inline double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time this process has used, in seconds.
inline double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The resident set of this process, in megabytes.
inline double ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024;
    return NAN;
}

} // namespace bench
