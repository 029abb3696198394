// SPDX-License-Identifier: GPL-3.0-or-later
// What the sample rates leave travels in a FluidSynth key tuning per channel, beside the key-pressure
// fine tune that carries the GS scale tuning, so it never eats into the scale tuning's ±64 cents. It
// is rounded to whole cents: FluidSynth 2.3 floors every voice's pitch to a whole cent before it
// becomes a playback rate (fine tune, pitch bend and key tunings alike, measured). The offsets stay
// far below the 50 cents at which FluidSynth would pick a neighbour's sample.
#include "synth/SoundFontCorrection.h"

#include "midi/Midi.h"

#include <cmath>

namespace synth {
namespace {

constexpr int kTuningBank = 0; // tuning program = channel

} // namespace

SoundFontCorrection::SoundFontCorrection(FluidSynth& synth, std::unique_ptr<TuningCalibrator> calibrator)
    : synth_(synth), calibrator_(std::move(calibrator))
{
    programsReset();
}

void SoundFontCorrection::programChanged(int channel, int program)
{
    if (!calibrator_ || channel >= kChannels)
        return;
    programs_[channel] = program;
    put(channel);
    calibrator_->request(program);
}

void SoundFontCorrection::programsReset()
{
    for (int channel = 0; channel < kChannels; ++channel)
        programChanged(channel, 0);
}

void SoundFontCorrection::update()
{
    if (!calibrator_ || resultsSeen_ == calibrator_->resultCount())
        return;
    resultsSeen_ = calibrator_->resultCount();
    // A new result can change what is left of another preset's (two presets sharing a sample).
    for (int channel = 0; channel < kChannels; ++channel)
        put(channel);
}

void SoundFontCorrection::put(int channel)
{
    const auto tuning = calibrator_->result(programs_[channel]);
    if (!tuning || !tuning->corrected) {
        fluid_synth_deactivate_tuning(synth_.get(), channel, 1);
        return;
    }
    std::array<double, midi::kKeys> pitch{};
    for (int key = 0; key < midi::kKeys; ++key)
        pitch[key] = 100.0 * key;
    for (int key = ProgramTuning::kLowestKey; key <= ProgramTuning::kHighestKey; ++key)
        pitch[key] -= std::round(tuning->offset(key));
    fluid_synth_activate_key_tuning(synth_.get(), kTuningBank, channel, "SoundFont correction", pitch.data(),
                                    1);
    fluid_synth_activate_tuning(synth_.get(), channel, kTuningBank, channel, 1);
}

} // namespace synth
