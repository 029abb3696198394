// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer's port on the General MIDI SoundFont, dry and without an audio output:
// rendered by the test itself, as the suites that listen to it need.
#pragma once

#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"

#include <memory>

namespace testing {

// None when no General MIDI SoundFont is installed (package fluid-soundfont-gm).
inline std::unique_ptr<synth::GsSynthPort> DryGeneralMidiPort()
{
    auto synth =
        synth::FluidSynth::Open({.soundFonts = synth::BuiltinSynthOptions{}.soundFonts, .reverb = false});
    return synth ? std::make_unique<synth::GsSynthPort>(std::move(synth)) : nullptr;
}

} // namespace testing
