// SPDX-License-Identifier: GPL-3.0-or-later
// The system in force, and its replacement by tests.
#include "platform/System.h"

#include <QtGlobal>

namespace platform {

void ForgetMidiTables(); // MidiPorts.cpp

namespace {
std::unique_ptr<System>& installed()
{
    static std::unique_ptr<System> system;
    return system;
}
} // namespace

System& CurrentSystem()
{
    if (!installed())
        qFatal("No system is in force");
    return *installed();
}

std::unique_ptr<System> InstallSystem(std::unique_ptr<System> system)
{
    ForgetMidiTables();
    return std::exchange(installed(), std::move(system));
}

QDateTime Now()
{
    return CurrentSystem().now();
}

} // namespace platform
