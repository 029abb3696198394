// SPDX-License-Identifier: GPL-3.0-or-later
// A note heard in a recording of the running program, measured alike by the listening case and the
// listening benchmark: the strongest spectral peak (PitchMeter, nothing of the program's) over the
// window the calibrator measures in, 0.25 ... 0.95 s after the onset.
#pragma once

#include "PitchMeter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace jackhelper {

constexpr double kHeardFrom = 0.25, kHeardTo = 0.95; // seconds after the onset
constexpr double kSearchCents = 60;                  // around the expected pitch: no neighbour's partial
constexpr double kXRunMargin = 0.1;                  // seconds; the server reports an xrun late

// Equal temperament, A4 = 440 Hz.
inline double EqualTemperedHz(int key)
{
    return 440 * std::exp2((key - 69) / 12.0);
}

// How far the note heard from `onset` on lies from `targetHz`, in cents; none when the recording
// ends inside the window.
inline std::optional<double> CentsOff(std::span<const float> samples, double sampleRate, std::size_t onset,
                                      double targetHz)
{
    const auto begin = onset + std::size_t(kHeardFrom * sampleRate);
    const auto length = std::size_t((kHeardTo - kHeardFrom) * sampleRate);
    if (begin + length > samples.size())
        return std::nullopt;
    return testing::CentsBetween(
        testing::PeakFrequency(samples.subspan(begin, length), sampleRate, targetHz, kSearchCents), targetHz);
}

// Whether the server reported an xrun while the note from `onset` on was measured (up to `until`
// seconds after the onset).
inline bool DisturbedByXRun(const std::vector<std::size_t>& xruns, double sampleRate, std::size_t onset,
                            double until = kHeardTo)
{
    const auto margin = std::size_t(kXRunMargin * sampleRate);
    const auto end = onset + std::size_t(until * sampleRate);
    return std::any_of(xruns.begin(), xruns.end(), [&](std::size_t position) {
        return position + margin >= onset && position <= end + margin;
    });
}

} // namespace jackhelper
