// SPDX-License-Identifier: GPL-3.0-or-later
// The open port of the built-in synthesizer: short messages in FluidSynth's terms, GS reset and
// GS scale tuning interpreted here, before FluidSynth could see (and drop) them.
#pragma once

#include "midi/Midi.h"
#include "platform/MidiDevice.h"
#include "synth/AudioOutput.h"
#include "synth/FluidSynth.h"
#include "synth/GsSysEx.h"
#include "synth/SoundFontCorrection.h"

#include <array>
#include <memory>

namespace synth {

class GsSynthPort final : public platform::OutputPort {
public:
    using ScaleTuning = std::array<int, midi::kPitchClasses>; // cents, C ... B

    // Without `audio` the synthesizer plays only when rendered through synth(), as the tests do.
    // Without `calibrator` the SoundFont's own tuning is left as it is.
    explicit GsSynthPort(std::unique_ptr<FluidSynth> synth, std::unique_ptr<AudioOutput> audio = nullptr,
                         std::unique_ptr<TuningCalibrator> calibrator = nullptr);

    midi::Result sendShort(std::uint32_t word) override;
    midi::Result sendLong(std::span<const std::uint8_t> bytes) override;
    midi::Result reset() override;
    // Every message has been taken in when its call returns.
    bool needsPacing() const override { return false; }

    FluidSynth& synth() { return *synth_; }

private:
    void controlChange(int channel, int controller, int value);
    void resetToGsDefaults();
    // midi::Result::InvalidParameter for a channel or pitch classes out of range, which the parser never
    // gives.
    midi::Result apply(const GsScaleTuning& tuning);
    // Puts the channel's scale tuning on every one of its keys.
    void detuneKeys(int channel);
    // After each message: an audio output asleep in a silence renders it in its next period.
    void wakeAudio();

    std::unique_ptr<FluidSynth> synth_;
    std::unique_ptr<AudioOutput> audio_; // declared after synth_: stops before the synthesizer goes
    std::array<ScaleTuning, midi::kChannels> scaleTuning_{};
    SoundFontCorrection correction_; // after synth_: goes first
};

} // namespace synth
