// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI output ports of the system in force: the device list, an open port with its named
// operations, the result every operation answers, and the blocking wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace midi {

// What a MIDI-output operation answers. The numbers are fixed: the device-open failures the player
// sees are named by them, and the test traces print them.
enum class Result : std::uint32_t {
    Ok = 0,
    Error = 1,
    BadDeviceId = 2,
    NotEnabled = 3,
    Allocated = 4,
    InvalidHandle = 5, // the port is not open
    NoDriver = 6,      // the device is not there
    NoMemory = 7,
    NotSupported = 8,
    BadErrorNumber = 9,
    InvalidFlag = 10,
    InvalidParameter = 11, // a message the device cannot take
    HandleBusy = 12,
    InvalidAlias = 13,
    LastError = 20,
    Unprepared = 64,
    StillPlaying = 65,
    NotReady = 67, // the device has gone away
};

} // namespace midi

namespace platform {

class BeatEmphasis;
struct InstrumentPartials;

// How many output devices the system lists; their identifiers run from 0.
int MidiOutDeviceCount();

// The name of device `id` as the device list shows it, cut to 31 bytes at a character boundary;
// a device whose capability query fails answers that failure and leaves `name` as it was.
midi::Result QueryMidiOutDevice(int id, std::string& name);

// One output port, opened on a device of the list. Copies refer to the same port; a port that is
// not open answers every operation with InvalidHandle.
class MidiOutPort {
public:
    // Opens device `deviceId`; on failure the port is left not open.
    midi::Result open(int deviceId);
    midi::Result close();
    // Every note off on every channel, the damper pedal lifted.
    midi::Result reset();

    // The channel messages; `channel` 0 is MIDI channel 1.
    midi::Result sendNoteOn(int channel, int note, int velocity);
    midi::Result sendNoteOff(int channel, int note, int velocity);
    midi::Result sendController(int channel, int controller, int value);
    midi::Result sendProgram(int channel, int program);
    // One complete system-exclusive message, F0 ... F7.
    midi::Result sendSysex(std::span<const std::uint8_t> message);

    // Whether the port is paced by fixed waits; true for a port that is not open, whose sends
    // fail as they would on any device.
    bool needsPacing() const;
    // Whether the device had gone away (an external port or its JACK server) and has now been
    // found again by its name and connected anew. True once per return; the device has then lost
    // whatever it was told before.
    bool deviceReturned();
    // The emphasis the port's sound can be heard through (see MidiDevice.h); null when it has
    // none or is not open.
    BeatEmphasis* beatEmphasis() const;
    // What the port can tell of an instrument's partials, and whether it offers instruments of
    // its own (see MidiDevice.h); nothing when it is not open.
    std::optional<InstrumentPartials> partials(int bank, int program) const;
    bool offersOwnInstruments() const;

private:
    midi::Result sendShort(std::uint8_t status, int data1, int data2);

    std::uint32_t handle_ = 0; // 0: not open
};

// Blocks the calling (user-interface) thread for `wait`; on the virtual clock in tests.
void Pause(std::chrono::milliseconds wait);

} // namespace platform
