// The operating-system services behind the platform calls, replaceable as a whole by tests.
#pragma once

#include "platform/MidiDevice.h"

#include <QDateTime>

#include <memory>
#include <vector>

namespace platform {

class System {
public:
    virtual ~System() = default;
    // Every MIDI output device in identifier order; asked once, when the program first needs it.
    virtual std::vector<std::unique_ptr<MidiOutDevice>> enumerateMidiOutDevices() = 0;
    // Blocks the calling thread.
    virtual void sleep(DWORD milliseconds) = 0;
    // The local date and time.
    virtual QDateTime now() = 0;
};

// The system in force. Until one is installed, the desktop's own (built-in synthesizer,
// ALSA-sequencer and JACK ports, the real clock).
System& CurrentSystem();

// Puts `system` in force and forgets the device table and every handle; returns the previous one.
std::unique_ptr<System> InstallSystem(std::unique_ptr<System> system);

// The local date and time from the system in force.
QDateTime Now();

} // namespace platform
