// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in synthesizer's port on the General MIDI SoundFont, dry and without an audio output:
// rendered by the test itself, as the suites that listen to it need.
#pragma once

#include "GsBytes.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"

#include <initializer_list>
#include <memory>
#include <vector>

namespace testing {

// None when no General MIDI SoundFont is installed (package fluid-soundfont-gm).
inline std::unique_ptr<synth::GsSynthPort> DryGeneralMidiPort()
{
    auto synth =
        synth::FluidSynth::Open({.soundFonts = synth::BuiltinSynthOptions{}.soundFonts, .reverb = false});
    return synth ? std::make_unique<synth::GsSynthPort>(std::move(synth)) : nullptr;
}

// `keys` struck together on channel 1 and held, both outputs summed, from `skipSeconds` after the
// strike for `listenSeconds`; all sound off afterwards.
inline std::vector<float> RenderHeld(synth::GsSynthPort& port, std::initializer_list<int> keys,
                                     double skipSeconds, double listenSeconds)
{
    const double rate = port.synth().sampleRate();
    for (int key : keys)
        port.sendShort(Short(0x90, key, 100));
    const auto frames = std::size_t((skipSeconds + listenSeconds) * rate),
               skipped = std::size_t(skipSeconds * rate);
    std::vector<float> left(frames), right(frames);
    port.synth().render(left.data(), right.data(), int(frames));
    port.sendShort(Short(0xB0, 120)); // all sound off
    std::vector<float> tail(64);
    port.synth().render(tail.data(), tail.data(), int(tail.size()));
    std::vector<float> mono;
    for (std::size_t i = skipped; i < frames; ++i)
        mono.push_back(left[i] + right[i]);
    return mono;
}

} // namespace testing
