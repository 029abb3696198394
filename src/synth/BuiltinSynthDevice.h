// SPDX-License-Identifier: GPL-3.0-or-later
// Device 0: the built-in GS synthesizer (FluidSynth with a General MIDI SoundFont), always listed.
#pragma once

#include "output/Port.h"
#include "synth/BuiltinSynthModule.h"
#include "synth/FluidSynth.h"
#include "synth/PartialsMeter.h"
#include "synth/SayToPlayer.h"
#include "synth/TuningCalibrator.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace synth {

struct BuiltinSynthOptions {
    // Debian's fluid-soundfont-gm, then whatever General MIDI SoundFont the system prefers.
    std::vector<std::string> soundFonts = {"/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                           "/usr/share/sounds/sf2/default-GM.sf2"};
    std::vector<std::string> audioDrivers = {"pulseaudio", "jack", "alsa", "sdl2"};
    // Dry, as a tuner listens: FluidSynth's reverb runs its delay lines modulated, and its tail moved
    // the heard pitch of a held piano note by up to 0.7 cent, on one output more than the other
    // (each output of 72 first-start notes within 0.25 cent dry, -0.13 ... +0.67 with the reverb).
    bool reverb = false;
    // Measure each preset played on channels 1 and 2 and correct its keys to equal temperament,
    // keeping the results in `tuningCache` (empty: the user's cache folder).
    bool correctSoundFontTuning = true;
    std::string tuningCache;
    // How the player is told that the synthesizer failed or its SoundFont went.
    SayToPlayer say = SayOnTerminal;
};

// Opening fails at once with output::Result::Missing when no file begins as a SoundFont. Otherwise
// the port is an OpeningPort that opens on its own thread and fails there with NoDriver when no
// SoundFont loads and NotEnabled when no audio output opens: one line on stderr, and a box for the
// player as soon as it has failed.
std::unique_ptr<output::Device> MakeBuiltinSynthDevice(BuiltinSynthOptions options);
std::unique_ptr<output::Device> MakeBuiltinSynthDevice();

// The calibrator of `synth`'s SoundFont as the device makes it: results cached in `cacheFolder`,
// the shipped table for FluidR3_GM, and each result put into `synth`'s sample rates by its worker.
// The worker reloads `synth`: stop the calibrator before the synthesizer goes.
std::unique_ptr<TuningCalibrator> MakeTuningCalibrator(FluidSynth& synth, const QString& cacheFolder);

// The partials' meter of `synth`'s SoundFont as the device makes it: results cached in `cacheFolder`.
// It reads the file `synth` holds: stop it before the synthesizer goes.
std::unique_ptr<PartialsMeter> MakePartialsMeter(const FluidSynth& synth, const QString& cacheFolder);

} // namespace synth
