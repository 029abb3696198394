// SPDX-License-Identifier: GPL-3.0-or-later
// Notes of one preset rendered one at a time in a synthesizer of its own, without audio output,
// reverb or chorus, for measuring what the preset's keys sound like.
#pragma once

#include "synth/FluidSynth.h"
#include "synth/ProgramTuning.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace synth {

struct Stereo {
    std::vector<float> left, right, both;
};

class OfflineRenderer {
public:
    // `program` (bank 0) of `soundFont` played at `velocity`; nullopt when the SoundFont does not load.
    static std::optional<OfflineRenderer> Open(const std::string& soundFont, int program, int velocity)
    {
        auto synth = FluidSynth::Open({.soundFonts = {soundFont}, .reverb = false});
        if (!synth)
            return std::nullopt;
        fluid_synth_program_change(synth->get(), 0, program);
        OfflineRenderer renderer(std::move(synth), velocity);
        renderer.note(ProgramTuning::kLowestKey, 0.01); // a voice's very first note starts a hair differently
        return renderer;
    }

    double sampleRate() const { return synth_->sampleRate(); }

    // The note's first `seconds`, each output and both summed; the voice is gone afterwards.
    Stereo note(int key, double seconds)
    {
        const int frames = int(seconds * synth_->sampleRate());
        Stereo sound{std::vector<float>(frames), std::vector<float>(frames), std::vector<float>(frames)};
        fluid_synth_noteon(synth_->get(), 0, key, velocity_);
        synth_->render(sound.left.data(), sound.right.data(), frames);
        fluid_synth_all_sounds_off(synth_->get(), 0);
        std::vector<float> tail(64);
        synth_->render(tail.data(), tail.data(), int(tail.size()));
        for (int i = 0; i < frames; ++i)
            sound.both[i] = sound.left[i] + sound.right[i];
        return sound;
    }

private:
    OfflineRenderer(std::unique_ptr<FluidSynth> synth, int velocity)
        : synth_(std::move(synth)), velocity_(velocity)
    {
    }

    std::unique_ptr<FluidSynth> synth_;
    int velocity_;
};

} // namespace synth
