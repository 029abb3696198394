// SPDX-License-Identifier: GPL-3.0-or-later
// Two band-pass biquads (constant peak gain) in cascade, their output mixed over the dry sound.
#include "synth/BeatEmphasis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace synth {
namespace {

// Per stage. The cascade passes a band about 1/20 of the centre wide: both partials of a beat
// (a few hertz apart, a few tens when the interval is far off) pass alike, while the nearest other
// partials of a fifth or fourth (a third of the centre away and more) lose over 30 dB.
constexpr double kQuality = 12;
// The dry sound 12 dB down keeps the interval recognisable. The band adds what brings its centre back
// to the level it had (the band-pass passes its centre whole and in phase): the coincident partials
// sound as loud as without the emphasis, everything else 12 dB quieter (test_beat_emphasis measures
// -0.1 and -12.2 dB on the reed organ's fifth and fourth). A band raised above the dry sound would make the
// emphasis louder overall and the rest of the sound not quieter but relatively so.
constexpr double kDryLevel = 0.25;
constexpr double kBandGain = 1 - kDryLevel;
// Switching on or off fades over 30 ms; a new centre is reached with a 15 ms time constant.
constexpr double kRampSeconds = 0.03;
constexpr double kGlideSeconds = 0.015;

} // namespace

BeatEmphasisFilter::BeatEmphasisFilter(double sampleRate) : sampleRate_(sampleRate)
{
}

void BeatEmphasisFilter::emphasize(double centreHz)
{
    if (!(centreHz > 0 && centreHz < sampleRate_.load(std::memory_order_relaxed) / 2))
        return; // no band to bring forward: above the output's range or not a frequency at all
    wantedCentre_.store(centreHz, std::memory_order_relaxed);
    wanted_.store(true, std::memory_order_release);
}

void BeatEmphasisFilter::stopEmphasis()
{
    wanted_.store(false, std::memory_order_release);
}

void BeatEmphasisFilter::process(int frames, int count, float* buffers[])
{
    const bool wanted = wanted_.load(std::memory_order_acquire);
    if (!wanted && mix_ == 0)
        return;
    const double sampleRate = sampleRate_.load(std::memory_order_relaxed);
    followCentre(wantedCentre_.load(std::memory_order_relaxed), frames, sampleRate);
    const double target = wanted ? 1.0 : 0.0;
    const double step = 1.0 / (kRampSeconds * sampleRate);
    const int channels = std::min(count, kChannels);
    for (int i = 0; i < frames; ++i) {
        mix_ = mix_ < target ? std::min(target, mix_ + step) : std::max(target, mix_ - step);
        const double dry = 1 - mix_ * (1 - kDryLevel);
        const double band = mix_ * kBandGain;
        for (int channel = 0; channel < channels; ++channel) {
            float& sample = buffers[channel][i];
            sample = float(dry * sample + band * bandPass(channel, sample));
        }
    }
    if (mix_ == 0)
        stages_ = {}; // the next emphasis starts from rest, wherever its centre lies
}

// A filter brought in from silence starts on its centre; one already heard glides there, since
// a jump of its coefficients would click.
void BeatEmphasisFilter::followCentre(double target, int frames, double sampleRate)
{
    const bool heard = mix_ > 0;
    double next = target;
    if (heard && centre_ > 0) {
        const double glide = 1 - std::exp(-frames / (kGlideSeconds * sampleRate));
        next = centre_ * std::pow(target / centre_, glide);
        if (std::abs(next - target) < 1e-3)
            next = target;
    }
    if (next == centre_)
        return;
    centre_ = next;
    const double w0 = 2 * std::numbers::pi * centre_ / sampleRate;
    const double alpha = std::sin(w0) / (2 * kQuality);
    const double a0 = 1 + alpha;
    coefficients_ = {alpha / a0, -alpha / a0, -2 * std::cos(w0) / a0, (1 - alpha) / a0};
}

double BeatEmphasisFilter::bandPass(int channel, double sample)
{
    const Coefficients& c = coefficients_;
    for (Stage& stage : stages_[std::size_t(channel)]) {
        const double out = c.b0 * sample + stage.z1;
        stage.z1 = stage.z2 - c.a1 * out;
        stage.z2 = c.b2 * sample - c.a2 * out;
        sample = out;
    }
    return sample;
}

} // namespace synth
