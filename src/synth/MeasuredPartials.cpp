// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a rendered key's partials: the phase's mean turning near each multiple of the fundamental,
// checked against the centroid and by how steadily the partial sounds.
#include "synth/MeasuredPartials.h"

#include "synth/OfflineRenderer.h"
#include "synth/PitchEstimate.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace synth {
namespace {

// The partials are read over the 4 s the beat window sounds a step, from where the tuning's window
// starts; the fundamental they are set against over the tuning's window, where the correction was
// measured. The tuning's 0.7 s would not do: a sampled note's attack is played once, then a loop of
// it repeats, and the two need not agree on a partial (the piano's A4 turns 0.35 Hz faster in its
// loop, from 1.1 s on), while a beat is heard over seconds.
constexpr double kPartialsStart = ProgramTuning::kWindowStart, kPartialsLength = 4;
// A partial is sought within this of n times the fundamental: half the way to its neighbours at the
// eighth, and wide enough for the stiffest string the game plays (the piano's E5, whose eighth lies
// about 70 cents sharp). Cached partials further off are damage.
constexpr double kSearchCents = 100;
// How far the partial may have moved from the tuning's window to the whole one.
constexpr double kRefineCents = 5;
// Below this part of the sound's power there is no partial to speak of.
constexpr double kClearShare = 1e-4;
// One clean partial: the centroid (weighed by power, so by the loud start) and the phase's mean
// turning (every moment alike) agree, the phase turns steadily (its strays from a straight line, root
// mean square, an eighth of a turn at most) and the level decays without dipping deeply. Two strings
// a few cents apart, or a loop that jumps in phase, swing the phase and dip the level once per turn.
// From the piano's figures (bench_partials readings 0): its partials stray by 0.45 ... 3.5 rad over
// the window; where both of an interval's partials stray by less than 0.85, the beat they make is
// the beat heard to 0.1 Hz.
constexpr double kAgreeHz = 0.25, kWobbleRadians = 0.85, kDeepestDipDb = 15;
// The blocks the partial is followed in: long enough to part it from its neighbours (F3's are 175 Hz
// apart, a Hann window's main lobe is two of its bins either way), short against a beat.
constexpr double kBlockSeconds = 0.05;

struct Line {
    double mean = 0, slope = 0; // per step, about the middle
    double at(std::size_t i, std::size_t count) const
    {
        return mean + slope * (double(i) - double(count - 1) / 2);
    }
};

// The least-squares line through `values`, one a step.
Line LineThrough(const std::vector<double>& values)
{
    const double n = double(values.size()), middle = (n - 1) / 2;
    Line line;
    double spread = 0;
    for (const double v : values)
        line.mean += v / n;
    for (std::size_t i = 0; i < values.size(); ++i) {
        line.slope += (double(i) - middle) * (values[i] - line.mean);
        spread += (double(i) - middle) * (double(i) - middle);
    }
    line.slope /= spread;
    return line;
}

// The partial followed through the window in short blocks, every block alike (the ear hears a beat's
// late turns as well as its loud early ones, while the centroid weighs them by their power).
struct Followed {
    double hz = 0;     // how fast the phase turns, on average
    double wobble = 0; // radians the phase strays at most from turning steadily
    double dip = 0;    // dB the level falls at most below its decay (a string's decay is exponential)
};

Followed FollowPartial(std::span<const float> samples, double sampleRate, double hz)
{
    const auto length = std::size_t(kBlockSeconds * sampleRate), hop = length / 2;
    std::vector<double> phase, level;
    for (std::size_t start = 0; start + length <= samples.size(); start += hop) {
        const std::complex<double> turned =
            Demodulated(samples.subspan(start, length), sampleRate, hz) *
            std::polar(1.0, -2 * std::numbers::pi * hz * double(start) / sampleRate);
        level.push_back(20 * std::log10(std::abs(turned) + 1e-30));
        const double next = std::arg(turned);
        // Unwrapped: the partial lies within a few hertz of `hz`, far less than half a turn a block.
        phase.push_back(
            phase.empty() ? next : phase.back() + std::remainder(next - phase.back(), 2 * std::numbers::pi));
    }
    if (phase.size() < 3)
        return {.hz = hz, .wobble = INFINITY, .dip = INFINITY};
    const Line phaseLine = LineThrough(phase), levelLine = LineThrough(level);
    Followed followed{.hz = hz + phaseLine.slope / (2 * std::numbers::pi * double(hop) / sampleRate)};
    for (std::size_t i = 0; i < phase.size(); ++i) {
        const double stray = phase[i] - phaseLine.at(i, phase.size());
        followed.wobble += stray * stray / double(phase.size());
        followed.dip = std::max(followed.dip, levelLine.at(i, level.size()) - level[i]);
    }
    followed.wobble = std::sqrt(followed.wobble);
    return followed;
}

// `found`: where the strongest partial lies near `nominalHz` in the tuning's window. Sought there
// rather than in `window`: a spectrum of six times the samples at six times the resolution costs
// thirty-six times as much over the same band.
PartialReading ReadPartial(std::span<const float> window, double sampleRate, double nominalHz, double foundHz)
{
    const Fundamental partial = EstimateFundamental(window, sampleRate, foundHz, kRefineCents);
    const Followed followed = FollowPartial(window, sampleRate, partial.hz);
    PartialReading reading{.cents = CentsBetween(followed.hz, nominalHz),
                           .share = partial.share,
                           .disagreement = std::abs(followed.hz - partial.hz),
                           .wobble = followed.wobble,
                           .dip = followed.dip};
    reading.clean = reading.share >= kClearShare && reading.disagreement <= kAgreeHz &&
                    reading.wobble <= kWobbleRadians && reading.dip <= kDeepestDipDb;
    return reading;
}

// The key's partials, and its fundamental's cents above equal temperament.
KeyReadings ReadKey(OfflineRenderer& renderer, int key, double sampleRate, double& fundamentalCents)
{
    const Stereo sound =
        renderer.note(key, std::max(ProgramTuning::kWindowStart + ProgramTuning::kWindowLength,
                                    kPartialsStart + kPartialsLength));
    const auto frame = [&](double seconds) { return std::size_t(std::lround(seconds * sampleRate)); };
    const auto both = std::span<const float>(sound.both);
    const auto tuningWindow =
        both.subspan(frame(ProgramTuning::kWindowStart), frame(ProgramTuning::kWindowLength));
    const double fundamentalHz = EstimateFundamental(tuningWindow, sampleRate, EqualTemperedHz(key)).hz;
    const auto window = both.subspan(frame(kPartialsStart), frame(kPartialsLength));
    fundamentalCents = CentsBetween(fundamentalHz, EqualTemperedHz(key));
    KeyReadings readings;
    for (int n = 1; n <= output::kKnownPartials; ++n)
        readings[std::size_t(n - 1)] =
            ReadPartial(window, sampleRate, n * fundamentalHz,
                        EstimateFundamental(tuningWindow, sampleRate, n * fundamentalHz, kSearchCents).hz);
    return readings;
}

QJsonValue Written(const std::optional<double>& cents)
{
    return cents ? QJsonValue(*cents) : QJsonValue(QJsonValue::Null);
}

// A number within ±kSearchCents; nullopt otherwise.
std::optional<double> Plausible(const QJsonValue& value)
{
    const double cents = value.toDouble(NAN);
    return std::abs(cents) <= kSearchCents ? std::optional(cents) : std::nullopt;
}

} // namespace

std::optional<ProgramPartials> MeasureProgramPartials(const std::string& soundFont, int program,
                                                      std::stop_token stop,
                                                      std::array<KeyReadings, ProgramTuning::kKeys>* readings)
{
    auto renderer = OfflineRenderer::Open(soundFont, program, ProgramTuning::kVelocity);
    if (!renderer)
        return std::nullopt;
    ProgramPartials partials;
    for (int key = ProgramTuning::kLowestKey; key <= ProgramTuning::kHighestKey; ++key) {
        if (stop.stop_requested())
            return std::nullopt;
        const auto at = std::size_t(key - ProgramTuning::kLowestKey);
        const KeyReadings read = ReadKey(*renderer, key, renderer->sampleRate(), partials.fundamentals[at]);
        for (std::size_t n = 0; n < read.size(); ++n)
            if (read[n].clean)
                partials.ratios[at][n] = read[n].cents;
        if (readings)
            (*readings)[at] = read;
    }
    return partials;
}

output::InstrumentPartials SoundedPartials(const ProgramPartials& partials,
                                           const std::optional<ProgramTuning>& left)
{
    output::InstrumentPartials sounded;
    for (int key = ProgramTuning::kLowestKey; key <= ProgramTuning::kHighestKey; ++key) {
        const auto at = std::size_t(key - ProgramTuning::kLowestKey);
        const double fundamental = left ? left->offset(key) : partials.fundamentals[at];
        output::KeyPartials& heard = sounded.keys[key];
        for (std::size_t n = 0; n < heard.size(); ++n)
            if (const auto ratio = partials.ratios[at][n])
                heard[n] = *ratio + fundamental;
    }
    return sounded;
}

QJsonObject WrittenPartials(const ProgramPartials& partials)
{
    QJsonArray ratios, fundamentals;
    for (std::size_t at = 0; at < partials.ratios.size(); ++at) {
        QJsonArray key;
        for (const auto& cents : partials.ratios[at])
            key.append(Written(cents));
        ratios.append(key);
        fundamentals.append(partials.fundamentals[at]);
    }
    return {{"partials", ratios}, {"fundamentals", fundamentals}};
}

std::optional<ProgramPartials> ReadPartials(const QJsonObject& entry)
{
    const QJsonArray ratios = entry.value("partials").toArray(),
                     fundamentals = entry.value("fundamentals").toArray();
    if (ratios.size() != ProgramTuning::kKeys || fundamentals.size() != ProgramTuning::kKeys)
        return std::nullopt;
    ProgramPartials partials;
    for (int at = 0; at < ProgramTuning::kKeys; ++at) {
        const QJsonArray key = ratios[at].toArray();
        const auto fundamental = Plausible(fundamentals[at]);
        if (key.size() != output::kKnownPartials || !fundamental)
            return std::nullopt;
        partials.fundamentals[std::size_t(at)] = *fundamental;
        for (int n = 0; n < output::kKnownPartials; ++n) {
            auto& cents = partials.ratios[std::size_t(at)][std::size_t(n)];
            if (!key[n].isNull() && !(cents = Plausible(key[n])))
                return std::nullopt;
        }
    }
    return partials;
}

} // namespace synth
