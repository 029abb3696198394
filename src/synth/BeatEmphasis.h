// SPDX-License-Identifier: GPL-3.0-or-later
// The beat emphasis of the built-in synthesizer: a narrow band-pass on the coincident partial of
// an interval, mixed over the quieted dry sound, so that a learner hears the beat among the
// other partials and still recognises the interval.
#pragma once

#include "output/Port.h"

#include <array>
#include <atomic>

namespace synth {

class BeatEmphasisFilter final : public output::BeatEmphasis {
public:
    explicit BeatEmphasisFilter(double sampleRate);
    // An audio driver may have made the synthesizer follow its own rate (JACK does).
    void useSampleRate(double sampleRate) { sampleRate_.store(sampleRate, std::memory_order_relaxed); }

    // Any thread: the wish is handed over through atomics, the audio thread follows it.
    void emphasize(double centreHz) override;
    void stopEmphasis() override;

    // The audio thread: filters `frames` frames of each of the `count` buffers in place (the first
    // two are left and right). Never allocates, never locks; the mix ramps over a few
    // milliseconds and the centre glides, so switching or retuning does not click.
    void process(int frames, int count, float* buffers[]);

private:
    struct Coefficients {
        double b0 = 0, b2 = 0, a1 = 0, a2 = 0; // b1 is 0 for a band-pass
    };
    struct Stage {
        double z1 = 0, z2 = 0; // transposed direct form II
    };
    static constexpr int kChannels = 2;
    static constexpr int kStages = 2;

    void followCentre(double target, int frames, double sampleRate);
    double bandPass(int channel, double sample);

    std::atomic<double> sampleRate_;
    std::atomic<double> wantedCentre_{0}; // Hz; written by any thread
    std::atomic<bool> wanted_{false};
    // The audio thread's own.
    double centre_ = 0;
    double mix_ = 0; // 0: the dry sound as it is, 1: fully emphasised
    Coefficients coefficients_;
    std::array<std::array<Stage, kStages>, kChannels> stages_{};
};

} // namespace synth
