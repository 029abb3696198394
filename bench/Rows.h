// SPDX-License-Identifier: GPL-3.0-or-later
// What every benchmark prints: tab-separated rows (what, value, unit), and the process's memory.
#pragma once


#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace bench {

inline void Row(const char* what, double value, const char* unit)
{
    std::printf("%s\t%.3g\t%s\n", what, value, unit);
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
