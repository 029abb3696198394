// SPDX-License-Identifier: GPL-3.0-or-later
// Rates rounded to whole hertz: 0.04 cents at 44.1 kHz. The offsets of both outputs together are
// what the first sample of a key is moved by (for a stereo pair, its left half).
#include "synth/SampleRetuning.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {

using Side = ProgramTuning::Side;

// The rate that moves `sample` by -`cents`.
std::uint32_t RateFor(const SoundFontLayout& layout, int sample, double cents)
{
    return std::uint32_t(std::lround(layout.sampleRate(sample) * std::exp2(-cents / 1200)));
}

// Cents by which `rate` moves the sample.
double CentsMoved(const SoundFontLayout& layout, int sample, std::uint32_t rate)
{
    return 1200 * std::log2(double(rate) / layout.sampleRate(sample));
}

// Each half of a stereo pair in tune still leaves their mix flat, by 0.25 ... 0.65 cent on the
// piano's keys C4 ... F#4 (measured): its two microphones hold the strings in different proportions,
// and summed, the strings weigh differently again. A player on one loudspeaker hears the mix, and so
// does a JACK capture of both outputs. Both halves are therefore moved together by half of what the
// mix would keep, at most kTowardTheMixCents, so that neither the halves nor the mix stay far off.
// Where the mix parts from its halves by more than kCoherentCents (the piano's B4 ... E5), two
// strings several cents apart beat and the mix has no one pitch to aim at: the halves stay in tune.
// (The mix moves with the halves' mean; a mono sample's outputs and mix agree, so it moves by 0.)
constexpr double kTowardTheMixCents = 0.25;
constexpr double kCoherentCents = 1;

double TowardTheMix(const ProgramTuning& tuning, int key)
{
    const double mixLeft =
        tuning.offset(key) - (tuning.offset(key, Side::Left) + tuning.offset(key, Side::Right)) / 2;
    if (std::abs(mixLeft) > kCoherentCents)
        return 0;
    return std::clamp(-mixLeft / 2, -kTowardTheMixCents, kTowardTheMixCents);
}

} // namespace

SampleRetuning RetuneSamples(const SoundFontLayout& layout, const std::map<int, ProgramTuning>& measured)
{
    SampleRetuning retuning{.soundFont = std::nullopt, .left = measured};
    SoundFontLayout::KeyRates rates;
    std::map<int, ProgramTuning> left = measured;
    for (auto& [program, tuning] : left) {
        if (!tuning.corrected)
            continue;
        for (int key = ProgramTuning::kLowestKey; key <= ProgramTuning::kHighestKey; ++key) {
            const auto played = layout.playedBy(ProgramTuning::kBank, program, key, ProgramTuning::kVelocity);
            if (played.empty() || !tuning.correctsKey(key))
                continue;
            // Each sample by the output it sounds on; a lower program playing the same instrument has
            // set the rate already, and this one keeps what that leaves.
            const double towardTheMix = TowardTheMix(tuning, key);
            for (const auto& [instrument, sample] : played)
                rates.try_emplace(
                    {instrument, sample, key},
                    RateFor(layout, sample, tuning.offset(key, layout.sideOf(sample)) - towardTheMix));
            const auto movedOn = [&](Side side) {
                auto found = std::find_if(played.begin(), played.end(),
                                          [&](const auto& p) { return layout.sideOf(p.sample) == side; });
                const auto& [instrument, sample] = found == played.end() ? played.front() : *found;
                return CentsMoved(layout, sample, rates.at({instrument, sample, key}));
            };
            const auto at = std::size_t(key - ProgramTuning::kLowestKey);
            tuning.offsets[at] += movedOn(Side::Both);
            tuning.leftOffsets[at] += movedOn(Side::Left);
            tuning.rightOffsets[at] += movedOn(Side::Right);
        }
    }
    if (rates.empty())
        return retuning;
    if (auto soundFont = layout.rewritten(rates))
        retuning = {.soundFont = std::move(soundFont), .left = std::move(left)};
    return retuning;
}

std::map<int, ProgramTuning> SampleRetuner::operator()(const std::map<int, ProgramTuning>& measured)
{
    if (!layout_)
        return measured;
    SampleRetuning retuning = RetuneSamples(*layout_, measured);
    if (retuning.soundFont != loaded_) {
        if (!synth_.reload(retuning.soundFont))
            return measured; // the file is gone: nothing sounds any more
        loaded_ = std::move(retuning.soundFont);
    }
    return retuning.left;
}

} // namespace synth
