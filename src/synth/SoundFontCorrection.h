// SPDX-License-Identifier: GPL-3.0-or-later
// The measured corrections put on the synthesizer: each of the game's two channels (the player's
// and the reference A's) sounds its keys in equal temperament, whatever the SoundFont's samples do,
// as soon as its preset's measurement is there; until then, and for presets that cannot be
// corrected, the preset plays as it is. The GS scale tuning rides on top, per key. The calibrator's
// worker has put what it could into the SoundFont's sample rates (SampleRetuner); what is left here
// is whole cents.
#pragma once

#include "synth/FluidSynth.h"
#include "synth/TuningCalibrator.h"

#include <array>
#include <memory>
#include <optional>

namespace synth {

class SoundFontCorrection {
public:
    // Without a calibrator nothing is ever corrected.
    SoundFontCorrection(FluidSynth& synth, std::unique_ptr<TuningCalibrator> calibrator);

    void programChanged(int channel, int program);
    // After a system reset: every channel back on program 0.
    void programsReset();
    // Puts results that have come in since the last call on their channels. Cheap when none has.
    void update();

private:
    static constexpr int kChannels = 2;
    void put(int channel);

    FluidSynth& synth_;
    std::unique_ptr<TuningCalibrator> calibrator_;
    std::array<int, kChannels> programs_{};
    std::optional<unsigned> resultsSeen_;
};

} // namespace synth
