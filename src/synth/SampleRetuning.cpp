// SPDX-License-Identifier: GPL-3.0-or-later
// Rates rounded to whole hertz: 0.04 cents at 44.1 kHz.
#include "synth/SampleRetuning.h"

#include <algorithm>
#include <cmath>

namespace synth {

SampleRetuning RetuneSamples(const SoundFontLayout& layout, const std::map<int, ProgramTuning>& measured)
{
    SampleRetuning retuning{.soundFont = std::nullopt, .left = measured};
    SoundFontLayout::KeyRates rates;
    std::map<int, ProgramTuning> left = measured;
    for (auto& [program, tuning] : left) {
        if (!tuning.corrected)
            continue;
        for (int key = ProgramTuning::kLowestKey; key <= ProgramTuning::kHighestKey; ++key) {
            const auto samples =
                layout.samplesOf(ProgramTuning::kBank, program, key, ProgramTuning::kVelocity);
            const auto taken = [&](int sample) { return rates.contains({sample, key}); };
            if (samples.empty() || std::any_of(samples.begin(), samples.end(), taken))
                continue;
            double& offset = tuning.offsets[key - ProgramTuning::kLowestKey];
            for (const int sample : samples)
                rates[{sample, key}] =
                    std::uint32_t(std::lround(layout.sampleRate(sample) * std::exp2(-offset / 1200)));
            const int first = samples.front();
            offset += 1200 * std::log2(double(rates.at({first, key})) / layout.sampleRate(first));
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
