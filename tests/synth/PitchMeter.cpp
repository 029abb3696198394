// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed spectrum at one frequency at a time, and the search for its peak.
#include "PitchMeter.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace testing {
namespace {

class WindowedSpectrum {
public:
    WindowedSpectrum(std::span<const float> samples, double sampleRate)
        : windowed_(samples.size()), sampleRate_(sampleRate)
    {
        const double n = static_cast<double>(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            windowed_[i] = samples[i] * 0.5 * (1 - std::cos(2 * std::numbers::pi * i / (n - 1)));
    }

    // |X(hz)|, the phasor turned by multiplication rather than a sine and cosine per sample.
    double magnitudeAt(double hz) const
    {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi * hz / sampleRate_);
        std::complex<double> phasor = 1, sum = 0;
        for (double sample : windowed_) {
            sum += sample * phasor;
            phasor *= step;
        }
        return std::abs(sum);
    }

private:
    std::vector<double> windowed_;
    double sampleRate_;
};

double Transposed(double hz, double cents)
{
    return hz * std::exp2(cents / 1200);
}

} // namespace

double PeakFrequency(std::span<const float> samples, double sampleRate, double nominalHz, double searchCents)
{
    const WindowedSpectrum spectrum(samples, sampleRate);
    constexpr double kCoarseStep = 2; // cents; well inside the main lobe of any window used here
    double bestCents = -searchCents, bestMagnitude = -1;
    for (double cents = -searchCents; cents <= searchCents; cents += kCoarseStep) {
        const double magnitude = spectrum.magnitudeAt(Transposed(nominalHz, cents));
        if (magnitude > bestMagnitude) {
            bestMagnitude = magnitude;
            bestCents = cents;
        }
    }
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double low = bestCents - kCoarseStep, high = bestCents + kCoarseStep;
    while (high - low > 1e-4) {
        const double a = high - ratio * (high - low), b = low + ratio * (high - low);
        if (spectrum.magnitudeAt(Transposed(nominalHz, a)) > spectrum.magnitudeAt(Transposed(nominalHz, b)))
            high = b;
        else
            low = a;
    }
    return Transposed(nominalHz, (low + high) / 2);
}

double CentsBetween(double hz, double referenceHz)
{
    return 1200 * std::log2(hz / referenceHz);
}

} // namespace testing
