// What every benchmark prints: tab-separated rows (what, value, unit), and the process's memory;
// and the packing of the short messages they send.
#pragma once

#include "platform/WinMidi.h"

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

// A short message as midiOutShortMsg takes it: status in the lowest byte.
inline DWORD Short(int status, int data1, int data2 = 0)
{
    return DWORD(status) | DWORD(data1) << 8 | DWORD(data2) << 16;
}

} // namespace bench
