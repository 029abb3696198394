// SPDX-License-Identifier: GPL-3.0-or-later
// Band envelopes by short-time demodulation, their modulation by a direct transform at any frequency.
#include "BeatMeter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>
#include <vector>

namespace testing {
namespace {

constexpr double kBlockSeconds = 0.04, kHopSeconds = 0.01;

double Hann(std::size_t i, std::size_t length)
{
    return 0.5 * (1 - std::cos(2 * std::numbers::pi * double(i) / double(length - 1)));
}

// The band's power every kHopSeconds.
std::vector<double> PowerEnvelope(std::span<const float> samples, double sampleRate, double centreHz)
{
    const auto block = std::size_t(kBlockSeconds * sampleRate), hop = std::size_t(kHopSeconds * sampleRate);
    const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi * centreHz / sampleRate);
    std::vector<double> envelope;
    for (std::size_t start = 0; start + block <= samples.size(); start += hop) {
        std::complex<double> sum = 0, phasor = 1;
        for (std::size_t i = 0; i < block; ++i, phasor *= turn)
            sum += Hann(i, block) * double(samples[start + i]) * phasor;
        envelope.push_back(std::norm(sum));
    }
    return envelope;
}

// How much of `values`' variance the sinusoid at `hz` that fits them best explains, with a constant
// beside it (least squares): unlike a windowed transform, it holds for a slow beat that turns only
// once or twice.
double Explained(const std::vector<double>& values, double hz)
{
    // The normal equations of values ≈ m + a cos + b sin, solved by Cramer's rule.
    double n = 0, c = 0, s = 0, cc = 0, ss = 0, cs = 0, y = 0, yc = 0, ys = 0;
    const std::complex<double> turn = std::polar(1.0, 2 * std::numbers::pi * hz * kHopSeconds);
    std::complex<double> phasor = 1;
    for (std::size_t i = 0; i < values.size(); ++i, phasor *= turn) {
        const double cosine = phasor.real(), sine = phasor.imag(), v = values[i];
        n += 1, c += cosine, s += sine, cc += cosine * cosine, ss += sine * sine, cs += cosine * sine;
        y += v, yc += v * cosine, ys += v * sine;
    }
    const auto determinant = [](double a, double b, double c2, double d, double e, double f, double g,
                                double h, double k) {
        return a * (e * k - f * h) - b * (d * k - f * g) + c2 * (d * h - e * g);
    };
    const double whole = determinant(n, c, s, c, cc, cs, s, cs, ss);
    const double m = determinant(y, c, s, yc, cc, cs, ys, cs, ss) / whole;
    const double a = determinant(n, y, s, c, yc, cs, s, ys, ss) / whole;
    const double b = determinant(n, c, y, c, cc, yc, s, cs, ys) / whole;
    return m * y + a * yc + b * ys - y * y / n;
}

} // namespace

double StrongestBeat(std::span<const float> both, std::span<const float> lower, std::span<const float> upper,
                     double sampleRate, double centreHz, double lowestHz, double highestHz)
{
    const auto bothPower = PowerEnvelope(both, sampleRate, centreHz),
               lowerPower = PowerEnvelope(lower, sampleRate, centreHz),
               upperPower = PowerEnvelope(upper, sampleRate, centreHz);
    const std::size_t length = std::min({bothPower.size(), lowerPower.size(), upperPower.size()});
    // |L + U|² - |L|² - |U|² = 2 |L| |U| cos(the phase between them): divided by 2 |L| |U|, a swing
    // between -1 and 1 once per beat, however the notes decay or waver.
    std::vector<double> turning(length);
    for (std::size_t i = 0; i < length; ++i)
        turning[i] = (bothPower[i] - lowerPower[i] - upperPower[i]) /
                     (2 * std::sqrt(lowerPower[i] * upperPower[i]) + 1e-30);
    double best = lowestHz, bestMagnitude = -1;
    const auto search = [&](double from, double to, double step) {
        for (double hz = std::max(lowestHz, from); hz <= std::min(highestHz, to); hz += step)
            if (const double magnitude = Explained(turning, hz); magnitude > bestMagnitude) {
                best = hz;
                bestMagnitude = magnitude;
            }
    };
    search(lowestHz, highestHz, 0.01);
    search(best - 0.01, best + 0.01, 0.001);
    return best;
}

} // namespace testing
