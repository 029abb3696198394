// SPDX-License-Identifier: GPL-3.0-or-later
// One header for every backend: a listed MIDI output device, the port it opens, and what their
// operations answer. The ALSA sequencer, JACK and the built-in synthesizer each implement it.
#pragma once

#include "midi/Midi.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace output {

// What opening a device or sending to its port answers. The windows say each to the player.
enum class Result {
    Ok,
    Failed,        // the backend refused, for a reason of its own
    NoSuchDevice,  // the device is not in the list
    NoSoundOutput, // the built-in synthesizer found no audio output
    Busy,          // another program holds the device
    NotOpen,       // the port is not open
    Missing,       // the device, its server or its sounds are not there
    NoMemory,
    Refused,     // a message the device cannot take
    NotPrepared, // the device was not ready to take a message
    Gone,        // the device has gone away
};

// A narrow band of a port's sound brought forward, on a device of our own that renders the sound
// (an external device makes its sound itself). Any thread may call; changes are ramped, not clicked.
class BeatEmphasis {
public:
    virtual ~BeatEmphasis() = default;
    // From now on the band around `centreHz` stands out, the rest still heard beneath it.
    virtual void emphasize(double centreHz) = 0;
    // The sound as it is again.
    virtual void stopEmphasis() = 0;
};

// What an instrument's keys sound like, as far as beats go: for each key, how far its partials
// 1 ... kKnownPartials lie from whole multiples of the key's equal-tempered frequency (A4 = 440 Hz),
// in cents, as the port sounds them; nullopt where the key sounds no one clean partial (two strings
// that beat by themselves). A key that is not listed is unknown.
constexpr int kKnownPartials = 8;
using KeyPartials = std::array<std::optional<double>, kKnownPartials>;
struct InstrumentPartials {
    bool measuring = false; // not known yet: ask again later
    std::map<int, KeyPartials> keys;
};

// One open output port. Implementations never throw; failures are results.
class Port {
public:
    virtual ~Port() = default;
    // One channel message, its bytes as they go out.
    virtual Result sendShort(const midi::ShortMessage& message) = 0;
    // A complete system-exclusive message, F0 ... F7.
    virtual Result sendSysex(std::span<const std::uint8_t> bytes) = 0;
    // Every note off on every channel, the damper pedal lifted.
    virtual Result reset() = 0;
    // Whether the send procedure's fixed waits pace this port. A port to an external module never
    // says when the module has taken a message in, so the waits are its only pacing; a device of
    // our own that has taken the message in before the call returns needs none.
    virtual bool needsPacing() const { return true; }
    // When the device this port was opened on had gone away and is there again, connects to it
    // anew and answers true; false while it stays where it was or stays gone.
    virtual bool reconnect() { return false; }
    // The emphasis this port's sound can be heard through; null when the device makes the sound.
    virtual BeatEmphasis* beatEmphasis() { return nullptr; }
    // The partials of `program` of `bank` as this port sounds them; nullopt when the port cannot
    // tell (an external device makes its own sound: only the textbook's harmonic partials remain).
    virtual std::optional<InstrumentPartials> partials(int /*bank*/, int /*program*/) { return std::nullopt; }
    // Whether the device offers instruments of its own in bank midi::kOwnBank (the built-in
    // synthesizer's tuning piano); an external device offers General MIDI's 128 alone.
    virtual bool offersOwnInstruments() const { return false; }
};

// One entry of the device list.
class Device {
public:
    virtual ~Device() = default;
    // The name shown in the device list; the same on every run.
    virtual std::string name() const = 0;
    // Whether the device can be listed; a device answering anything but Ok is left out.
    virtual Result queryCapabilities() const { return Result::Ok; }
    // Opens the device. On success `port` holds the open port and the result is Ok.
    virtual Result open(std::unique_ptr<Port>& port) = 0;
};

} // namespace output
