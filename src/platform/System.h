// SPDX-License-Identifier: GPL-3.0-or-later
// The operating-system services behind the platform calls, replaceable as a whole by tests.
#pragma once

#include "platform/MidiDevice.h"

#include <QDateTime>

#include <chrono>
#include <memory>
#include <vector>

namespace platform {

class System {
public:
    virtual ~System() = default;
    // Every MIDI output device in identifier order; asked once, when the program first needs it.
    virtual std::vector<std::unique_ptr<MidiOutDevice>> enumerateMidiOutDevices() = 0;
    // Blocks the calling thread.
    virtual void sleep(std::chrono::milliseconds wait) = 0;
    // The local date and time.
    virtual QDateTime now() = 0;
};

// The system in force: the program entry puts the desktop's own in force (built-in synthesizer,
// ALSA-sequencer and JACK ports, the real clock), tests and benchmarks theirs.
System& CurrentSystem();

// Puts `system` in force (none: nullptr) and forgets the device table and every handle, closing
// every open port; returns the previous one.
std::unique_ptr<System> InstallSystem(std::unique_ptr<System> system);

// The local date and time from the system in force.
QDateTime Now();

} // namespace platform
