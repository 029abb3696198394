// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering one preset key by key and judging each key's fundamental.
#include "synth/ProgramTuning.h"

#include "synth/FluidSynth.h"
#include "synth/PitchEstimate.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace synth {
namespace {

constexpr double kWindowStart = ProgramTuning::kWindowStart, kWindowLength = ProgramTuning::kWindowLength;
// The window moved this much either way must not move the fundamental by more than kSteadyCents:
// vibrato, drifting or strongly beating layers, and noise do.
constexpr double kWindowShift = 0.05;
constexpr double kSteadyCents = 2;
// Below this part of the sound's power there is no fundamental to speak of (noise, percussion). A
// steady one above it is the pitch heard however weak it is: the clean guitar's carries 1.6 %.
constexpr double kClearShare = 0.005;
constexpr double kMostCents = 50; // further off, the key plays another note's sample

struct KeyMeasure {
    double cents = 0, leftCents = 0, rightCents = 0;
    bool correctable = false;
};

struct Stereo {
    std::vector<float> left, right, both;
};

class OfflineRenderer {
public:
    explicit OfflineRenderer(FluidSynth& synth) : synth_(synth) {}

    // The note's first `seconds`, each output and both summed; the voice is gone afterwards.
    Stereo note(int key, double seconds)
    {
        const int frames = int(seconds * synth_.sampleRate());
        Stereo sound{std::vector<float>(frames), std::vector<float>(frames), std::vector<float>(frames)};
        fluid_synth_noteon(synth_.get(), 0, key, ProgramTuning::kVelocity);
        synth_.render(sound.left.data(), sound.right.data(), frames);
        fluid_synth_all_sounds_off(synth_.get(), 0);
        std::vector<float> tail(64);
        synth_.render(tail.data(), tail.data(), int(tail.size()));
        for (int i = 0; i < frames; ++i)
            sound.both[i] = sound.left[i] + sound.right[i];
        return sound;
    }

private:
    FluidSynth& synth_;
};

KeyMeasure MeasureKey(OfflineRenderer& renderer, int key, double sampleRate)
{
    const Stereo sound = renderer.note(key, kWindowStart + kWindowShift + kWindowLength);
    const auto frame = [&](double seconds) { return std::size_t(std::lround(seconds * sampleRate)); };
    const std::size_t length = frame(kWindowLength);
    const auto centsAt = [&](const std::vector<float>& output, double start, double* share = nullptr) {
        const Fundamental fundamental = EstimateFundamental(std::span(output).subspan(frame(start), length),
                                                            sampleRate, EqualTemperedHz(key));
        if (share)
            *share = fundamental.share;
        return CentsBetween(fundamental.hz, EqualTemperedHz(key));
    };
    double share = 0;
    const double cents = centsAt(sound.both, kWindowStart, &share);
    const double earlier = centsAt(sound.both, kWindowStart - kWindowShift),
                 later = centsAt(sound.both, kWindowStart + kWindowShift);
    const double spread = std::max({cents, earlier, later}) - std::min({cents, earlier, later});
    return {.cents = cents,
            .leftCents = centsAt(sound.left, kWindowStart),
            .rightCents = centsAt(sound.right, kWindowStart),
            .correctable = share >= kClearShare && spread <= kSteadyCents && std::abs(cents) < kMostCents};
}

} // namespace

std::optional<ProgramTuning> MeasureProgramTuning(const std::string& soundFont, int program,
                                                  std::stop_token stop)
{
    auto synth = FluidSynth::Open({.soundFonts = {soundFont}, .reverb = false});
    if (!synth)
        return std::nullopt;
    fluid_synth_program_change(synth->get(), 0, program);
    OfflineRenderer renderer(*synth);
    renderer.note(ProgramTuning::kLowestKey, 0.01); // a voice's very first note starts a hair differently
    ProgramTuning tuning{.corrected = true};
    for (int key = ProgramTuning::kLowestKey; key <= ProgramTuning::kHighestKey; ++key) {
        if (stop.stop_requested())
            return std::nullopt;
        const KeyMeasure measure = MeasureKey(renderer, key, synth->sampleRate());
        const auto at = std::size_t(key - ProgramTuning::kLowestKey);
        tuning.offsets[at] = measure.cents;
        tuning.leftOffsets[at] = measure.leftCents;
        tuning.rightOffsets[at] = measure.rightCents;
        tuning.corrected = tuning.corrected && measure.correctable;
    }
    return tuning;
}

} // namespace synth
