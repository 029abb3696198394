// SPDX-License-Identifier: GPL-3.0-or-later
// Turning measured preset tunings into a SoundFont whose samples play in tune: each of the game's
// keys plays its samples at a rate of its own, moved by the key's measured offset. One sample sounds
// on several keys, and the measured pitch differs from key to key even then (the window hears a later
// part of the sample the higher the key), so the rate cannot belong to the sample alone.
#pragma once

#include "synth/FluidSynth.h"
#include "synth/ProgramTuning.h"
#include "synth/RewrittenSoundFont.h"
#include "synth/SoundFontLayout.h"

#include <map>
#include <optional>

namespace synth {

struct SampleRetuning {
    std::optional<RewrittenSoundFont> soundFont; // nullopt: as the file is
    // Per measured program, what the rates leave of each key's offset from equal temperament (cents).
    std::map<int, ProgramTuning> left;
};

// `measured`: offsets of the SoundFont as the file has it, by program (bank 0, velocity 100).
// Presets that are not to be corrected keep their rates, and so do the keys a corrected preset
// leaves alone. Each instrument's sample gets a rate of its own per key, moved by the offset of the
// output it sounds on (left and right halves of a stereo pair apart), so presets whose instruments
// share samples never correct each other's. When two presets play the same instrument, the lower
// program's offset sets the rate, and the other keeps what is left (FluidR3_GM: 7 and 84, 21 and
// 23, 22 and 23, 40 and 110).
SampleRetuning RetuneSamples(const SoundFontLayout& layout, const std::map<int, ProgramTuning>& measured);

// Keeps a synthesizer's SoundFont loaded with the rates that the measurements so far call for: a
// calibrator's settling step, so the reload never runs on the thread that plays.
class SampleRetuner {
public:
    explicit SampleRetuner(FluidSynth& synth)
        : synth_(synth), layout_(SoundFontLayout::Read(synth.soundFontInUse()))
    {
    }

    // Reloads the SoundFont when its rates change; returns what they leave of each offset.
    std::map<int, ProgramTuning> operator()(const std::map<int, ProgramTuning>& measured);

private:
    FluidSynth& synth_;
    std::optional<SoundFontLayout> layout_;
    std::optional<RewrittenSoundFont> loaded_;
};

} // namespace synth
