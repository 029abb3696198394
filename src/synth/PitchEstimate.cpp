// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed spectrum evaluated at chosen frequencies, and the fundamental's centroid from it.
#include "synth/PitchEstimate.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace synth {
namespace {

constexpr double kSearchCents = 50;
constexpr double kBandBins = 4; // the Hann main lobe is ±2 bins; ±4 keeps 99.99 % of a partial
constexpr int kStepsPerBin = 4; // enough to sum the lobe exactly to far below a thousandth cent
constexpr int kCentringRounds = 3;

class WindowedSpectrum {
public:
    WindowedSpectrum(std::span<const float> samples, double sampleRate)
        : windowed_(samples.size()), sampleRate_(sampleRate)
    {
        const double last = double(samples.size()) - 1;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            windowed_[i] = samples[i] * 0.5 * (1 - std::cos(2 * std::numbers::pi * double(i) / last));
            energy_ += windowed_[i] * windowed_[i];
        }
    }

    double energy() const { return energy_; }
    double binHz() const { return sampleRate_ / double(windowed_.size()); }

    // |X(f)|² at each of `hz`, all in one pass over the samples; each frequency's phasor turns by
    // multiplication, and the frequencies are independent, so the inner loop vectorizes.
    std::vector<double> powerAt(const std::vector<double>& hz) const
    {
        const std::size_t count = hz.size();
        std::vector<double> turnRe(count), turnIm(count), phasorRe(count, 1), phasorIm(count, 0);
        std::vector<double> sumRe(count, 0), sumIm(count, 0);
        for (std::size_t k = 0; k < count; ++k) {
            const double angle = -2 * std::numbers::pi * hz[k] / sampleRate_;
            turnRe[k] = std::cos(angle);
            turnIm[k] = std::sin(angle);
        }
        for (const double sample : windowed_) {
            for (std::size_t k = 0; k < count; ++k) {
                sumRe[k] += sample * phasorRe[k];
                sumIm[k] += sample * phasorIm[k];
                const double re = phasorRe[k] * turnRe[k] - phasorIm[k] * turnIm[k];
                phasorIm[k] = phasorRe[k] * turnIm[k] + phasorIm[k] * turnRe[k];
                phasorRe[k] = re;
            }
        }
        std::vector<double> power(count);
        for (std::size_t k = 0; k < count; ++k)
            power[k] = sumRe[k] * sumRe[k] + sumIm[k] * sumIm[k];
        return power;
    }

private:
    std::vector<double> windowed_;
    double sampleRate_;
    double energy_ = 0;
};

std::vector<double> Grid(double lowHz, double highHz, double stepHz)
{
    std::vector<double> grid;
    for (double hz = lowHz; hz <= highHz; hz += stepHz)
        grid.push_back(hz);
    return grid;
}

// The Hann-weighted sum of `samples` turned down by `hz`: its argument is the phase of `hz` in them.
std::complex<double> Demodulated(std::span<const float> samples, double sampleRate, double hz)
{
    const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi * hz / sampleRate);
    const double last = double(samples.size()) - 1;
    std::complex<double> phasor = 1, sum = 0;
    for (std::size_t i = 0; i < samples.size(); ++i, phasor *= turn)
        sum += 0.5 * (1 - std::cos(2 * std::numbers::pi * double(i) / last)) * double(samples[i]) * phasor;
    return sum;
}

} // namespace

PhaseSlope EstimateByPhaseSlope(std::span<const float> samples, double sampleRate, double hz)
{
    const std::size_t half = samples.size() / 2, hop = samples.size() / 4;
    if (half < 2)
        return {hz, hz};
    // Each half-window's phase is taken as if it began at the first sample, so the phase of `hz`
    // itself advances between two of them by exactly what `hz` turns in `hop` samples.
    const auto phaseAt = [&](std::size_t begin) {
        const std::complex<double> fromStart =
            std::polar(1.0, -2 * std::numbers::pi * hz * double(begin) / sampleRate);
        return Demodulated(samples.subspan(begin, half), sampleRate, hz) * fromStart;
    };
    const std::complex<double> first = phaseAt(0), middle = phaseAt(hop), last = phaseAt(2 * hop);
    const double hopSeconds = double(hop) / sampleRate;
    const auto hzBetween = [&](std::complex<double> from, std::complex<double> to) {
        return hz + std::arg(to / from) / (2 * std::numbers::pi * hopSeconds);
    };
    return {hzBetween(first, middle), hzBetween(middle, last)};
}

Fundamental EstimateFundamental(std::span<const float> samples, double sampleRate, double nominalHz)
{
    const WindowedSpectrum spectrum(samples, sampleRate);
    if (samples.size() < 2 || !(spectrum.energy() > 0))
        return {nominalHz, 0};
    const double bin = spectrum.binHz();
    const auto search = Grid(nominalHz * std::exp2(-kSearchCents / 1200),
                             nominalHz * std::exp2(kSearchCents / 1200), bin / 2);
    const auto searchPower = spectrum.powerAt(search);
    Fundamental fundamental{
        search[std::max_element(searchPower.begin(), searchPower.end()) - searchPower.begin()], 0};
    const double step = bin / kStepsPerBin;
    for (int round = 0; round < kCentringRounds; ++round) {
        const double centre = fundamental.hz;
        const auto band = Grid(centre - kBandBins * bin, centre + kBandBins * bin + step / 2, step);
        const auto power = spectrum.powerAt(band);
        double total = 0, moment = 0;
        for (std::size_t i = 0; i < band.size(); ++i) {
            total += power[i];
            moment += power[i] * band[i];
        }
        if (!(total > 0))
            return {nominalHz, 0};
        fundamental.hz = moment / total;
        // Parseval: the positive frequencies hold half the windowed signal's energy.
        fundamental.share = 2 * total * (step / sampleRate) / spectrum.energy();
    }
    return fundamental;
}

double CentsBetween(double hz, double referenceHz)
{
    return 1200 * std::log2(hz / referenceHz);
}

double EqualTemperedHz(int key)
{
    return 440 * std::exp2((key - 69) / 12.0);
}

} // namespace synth
