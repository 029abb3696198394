// SPDX-License-Identifier: GPL-3.0-or-later
// How the game makes itself heard. The model plays notes, the pedal, instruments and the tuning
// through this interface and nothing else; the MIDI output implements it, benches record it.
#pragma once

#include "midi/Midi.h"

#include <array>
#include <cstdint>

namespace game {

// The channels the game plays: the detuned keys on MIDI channel 1, the reference A on channel 2.
constexpr int kKeysChannel = 0;
constexpr int kReferenceChannel = 1;

// Why a tuning goes out: a new challenge lets the device settle before the first note may sound,
// a slider move only a moment.
enum class TuningMoment { NewChallenge, Retune };

class Sound {
public:
    virtual ~Sound() = default;
    // `channel` 0 is MIDI channel 1.
    virtual void sendNoteOn(int channel, int note) = 0;
    virtual void sendNoteOff(int channel, int note) = 0;
    virtual void sendSustainPedal(int channel, bool down) = 0;
    virtual void sendAllSoundOff(int channel) = 0;
    virtual void sendProgramChange(int channel, int program) = 0;
    // The bank the channel's next program change chooses from.
    virtual void sendBankSelect(int channel, int bank) = 0;
    // The GS scale tuning of channel 1: the twelve data bytes C ... B, each 64 + cents.
    virtual void sendScaleTuning(const std::array<std::uint8_t, midi::kPitchClasses>& data,
                                 TuningMoment moment) = 0;
    // The GS master tune, both channels at once, in cents (the reference pitch): sent now where a
    // device is open, and again after every GS reset, which sets it back to 0.
    virtual void sendMasterTune(double cents) = 0;
    // Whether the device offers instruments of its own beside General MIDI's (the tuning piano).
    virtual bool offersOwnInstruments() const = 0;
};

} // namespace game
