// SPDX-License-Identifier: GPL-3.0-or-later
// What the beat emphasis costs the audio thread: processor time per period of 64 frames for the
// built-in synthesizer sounding an interval (with reverb, as played), without and with the
// emphasis, and the difference as a share of one core at 48 kHz. Prints tab-separated rows.
#include "Rows.h"
#include "midi/Midi.h"
#include "synth/BeatEmphasis.h"
#include "synth/BuiltinSynthDevice.h"
#include "synth/GsSynthPort.h"

#include <array>
#include <cstdio>

using bench::CpuSeconds;
using bench::Row;

namespace {

constexpr int kPeriodFrames = 64;
constexpr double kRate = 48000;
constexpr int kPeriods = 20000; // 27 s of sound at 48 kHz

// Seconds of processor time per period, the fifth F4-C5 sounding, through `filter` when given.
double SecondsPerPeriod(synth::GsSynthPort& port, synth::BeatEmphasisFilter* filter)
{
    std::array<float, kPeriodFrames> left{}, right{};
    float* buffers[] = {left.data(), right.data()};
    port.sendShort(midi::ShortMessageOf(0x90, 65, 100));
    port.sendShort(midi::ShortMessageOf(0x90, 72, 100));
    const double start = CpuSeconds();
    for (int p = 0; p < kPeriods; ++p) {
        port.synth().render(left.data(), right.data(), kPeriodFrames);
        if (filter)
            filter->process(kPeriodFrames, 2, buffers);
    }
    const double seconds = (CpuSeconds() - start) / kPeriods;
    port.sendShort(midi::ShortMessageOf(0xB0, 120));
    port.synth().render(left.data(), right.data(), kPeriodFrames);
    return seconds;
}

} // namespace

int main()
{
    auto fluid =
        synth::FluidSynth::Open({.soundFonts = synth::BuiltinSynthOptions{}.soundFonts, .reverb = true});
    if (!fluid) {
        std::fprintf(stderr, "no General MIDI SoundFont\n");
        return 1;
    }
    synth::GsSynthPort port(std::move(fluid));
    synth::BeatEmphasisFilter filter(kRate);
    filter.emphasize(1047);
    SecondsPerPeriod(port, nullptr); // the samples are loaded on demand: the first note pays for it
    const double off = SecondsPerPeriod(port, nullptr);
    const double on = SecondsPerPeriod(port, &filter);
    const double periodSeconds = kPeriodFrames / kRate;
    Row("beat emphasis: period of 64 frames, emphasis off", off * 1e6, "us");
    Row("beat emphasis: period of 64 frames, emphasis on", on * 1e6, "us");
    Row("beat emphasis: extra share of one core at 48 kHz", (on - off) / periodSeconds * 100, "%");
    return 0;
}
