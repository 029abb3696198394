// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed spectrum evaluated at chosen frequencies, and the fundamental's centroid from it.
#include "synth/PitchEstimate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace synth {
namespace {

constexpr double kBandBins = 4; // the Hann main lobe is ±2 bins; ±4 keeps 99.99 % of a partial
constexpr int kStepsPerBin = 4; // enough to sum the lobe exactly to far below a thousandth cent
constexpr int kCentringRounds = 3;

// The Hann window's weights over `length` samples, one after the other: the cosine turned by
// multiplication rather than computed per sample.
class HannWeights {
public:
    explicit HannWeights(std::size_t length)
        : turn_(std::polar(1.0, 2 * std::numbers::pi / std::max(1.0, double(length) - 1)))
    {
    }
    double next()
    {
        const double weight = 0.5 * (1 - phasor_.real());
        phasor_ *= turn_;
        return weight;
    }

private:
    std::complex<double> turn_, phasor_ = 1;
};

// The Hann-windowed spectrum at frequencies near `centreHz`, each as exact as a sum over every sample
// at a block's fraction of the cost. The windowed samples are turned down by `centreHz` once and cut
// into blocks short enough that a frequency within `reachHz` of the centre turns by at most a quarter
// radian from a block's middle to its end; each block keeps the first kTerms moments of its samples
// about its middle, and the spectrum at a frequency follows from them by the Taylor series of that
// turn (the first term left out is below 1.2e-8 of the block's sum, a millionth of a cent).
class WindowedSpectrum {
public:
    WindowedSpectrum(std::span<const float> samples, double sampleRate, double centreHz, double reachHz)
        : sampleRate_(sampleRate), centreHz_(centreHz)
    {
        const double reach = 2 * std::numbers::pi * reachHz / sampleRate; // radians per sample
        blockLength_ = std::max<std::size_t>(1, std::size_t(0.5 / reach));
        const std::size_t blocks = (samples.size() + blockLength_ - 1) / blockLength_;
        moments_.assign(blocks * kTerms, 0);
        HannWeights hann(samples.size());
        const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi * centreHz / sampleRate);
        std::complex<double> phasor = 1;
        for (std::size_t block = 0, i = 0; block < blocks; ++block) {
            std::complex<double>* moments = &moments_[block * kTerms];
            const std::size_t end = std::min(samples.size(), i + blockLength_);
            for (std::size_t inBlock = 0; i < end; ++i, ++inBlock, phasor *= turn) {
                const double windowed = samples[i] * hann.next();
                energy_ += windowed * windowed;
                const double fromMiddle =
                    (double(inBlock) - double(blockLength_ - 1) / 2) / double(blockLength_);
                std::complex<double> term = windowed * phasor;
                for (std::size_t k = 0; k < kTerms; ++k, term *= fromMiddle)
                    moments[k] += term;
            }
        }
        // Each moment times (-i)^k, so that the series' coefficients are real.
        for (std::size_t at = 0; at < moments_.size(); ++at)
            for (std::size_t k = 0; k < at % kTerms; ++k)
                moments_[at] *= std::complex<double>(0, -1);
    }

    double energy() const { return energy_; }

    // |X(f)|² at each of `hz`, all within the reach of the centre.
    std::vector<double> powerAt(const std::vector<double>& hz) const
    {
        std::vector<double> power(hz.size());
        for (std::size_t k = 0; k < hz.size(); ++k)
            power[k] = std::norm(transformAt(hz[k]));
        return power;
    }

private:
    static constexpr std::size_t kTerms = 7;

    std::complex<double> transformAt(double hz) const
    {
        const double perSample = -2 * std::numbers::pi * (hz - centreHz_) / sampleRate_;
        // (-i δ L)^k / k!, with δ the turn per sample and L the block's length, less its (-i)^k.
        std::array<double, kTerms> taylor;
        taylor[0] = 1;
        for (std::size_t k = 1; k < kTerms; ++k)
            taylor[k] = taylor[k - 1] * -perSample * double(blockLength_) / double(k);
        const std::complex<double> blockTurn = std::polar(1.0, perSample * double(blockLength_));
        std::complex<double> middle = std::polar(1.0, perSample * double(blockLength_ - 1) / 2), sum = 0;
        for (std::size_t block = 0; block * kTerms < moments_.size(); ++block, middle *= blockTurn) {
            std::complex<double> inBlock = 0;
            for (std::size_t k = 0; k < kTerms; ++k)
                inBlock += taylor[k] * moments_[block * kTerms + k];
            sum += middle * inBlock;
        }
        return sum;
    }

    double sampleRate_, centreHz_;
    std::size_t blockLength_ = 1;
    std::vector<std::complex<double>> moments_; // kTerms per block, the k-th times (-i)^k
    double energy_ = 0;
};

std::vector<double> Grid(double lowHz, double highHz, double stepHz)
{
    std::vector<double> grid;
    for (double hz = lowHz; hz <= highHz; hz += stepHz)
        grid.push_back(hz);
    return grid;
}

} // namespace

std::complex<double> Demodulated(std::span<const float> samples, double sampleRate, double hz)
{
    const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi * hz / sampleRate);
    HannWeights hann(samples.size());
    std::complex<double> phasor = 1, sum = 0;
    for (std::size_t i = 0; i < samples.size(); ++i, phasor *= turn)
        sum += hann.next() * double(samples[i]) * phasor;
    return sum;
}

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

Fundamental EstimateFundamental(std::span<const float> samples, double sampleRate, double nominalHz,
                                double searchCents)
{
    if (samples.size() < 2)
        return {nominalHz, 0};
    const double bin = sampleRate / double(samples.size());
    const double lowHz = nominalHz * std::exp2(-searchCents / 1200),
                 highHz = nominalHz * std::exp2(searchCents / 1200);
    // Each centring round stays within a band of the last centre.
    const double reachHz = highHz - nominalHz + (kCentringRounds + 1) * (kBandBins + 1) * bin;
    const WindowedSpectrum spectrum(samples, sampleRate, nominalHz, reachHz);
    if (!(spectrum.energy() > 0))
        return {nominalHz, 0};
    const auto search = Grid(lowHz, highHz, bin / 2);
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
