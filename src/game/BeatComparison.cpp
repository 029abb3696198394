// SPDX-License-Identifier: GPL-3.0-or-later
// Trials of the beat-speed comparison: every check of every kind in the temperament region, with
// each of its notes detuned by whole cents, and the one drawn whose beats differ as the staircase
// asks.
#include "game/BeatComparison.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

namespace game {

namespace {

constexpr double kA4 = 440.0;
constexpr int kA4Note = 69;
constexpr int kLowestNote = 53; // F3: the checks stay in the temperament region, F3 ... about A4
constexpr int kMaxCents = 12;   // a trial's detuning stays within what a tuner meets there
// A beat slower than this gives fewer than two waves in a trial's three seconds; one faster than
// this is a roughness rather than a beat to count.
constexpr double kSlowestRate = 0.6;
constexpr double kFastestRate = 20.0;

BeatingInterval Third(int lower)
{
    return {lower, lower + 4, 5, 4};
}
BeatingInterval Fourth(int lower)
{
    return {lower, lower + 5, 4, 3};
}
BeatingInterval Fifth(int lower)
{
    return {lower, lower + 7, 3, 2};
}
BeatingInterval Sixth(int lower)
{
    return {lower, lower + 9, 5, 3};
}

struct Pair {
    ComparisonKind kind;
    std::array<BeatingInterval, 2> intervals;
};

std::vector<Pair> AllPairs()
{
    std::vector<Pair> pairs;
    for (int b = kLowestNote; b <= kLowestNote + 9; ++b) {
        pairs.push_back({ComparisonKind::FourthAndFifth, {Fourth(b + 2), Fifth(b)}});
        pairs.push_back({ComparisonKind::ContiguousThirds, {Third(b), Third(b + 4)}});
        pairs.push_back({ComparisonKind::ThirdAndSixth, {Third(b), Sixth(b)}});
    }
    for (int b = kLowestNote; b <= kLowestNote + 12; ++b) {
        pairs.push_back({ComparisonKind::ThirdsBySemitone, {Third(b), Third(b + 1)}});
        pairs.push_back({ComparisonKind::ChromaticFourths, {Fourth(b), Fourth(b + 1)}});
    }
    return pairs;
}

double PartialFrequency(int note, int partial, double cents)
{
    return partial * kA4 * std::pow(2.0, (note - kA4Note) / 12.0 + cents / 1200.0);
}

PartialCents Harmonic()
{
    return [](int, int) { return std::optional(0.0); };
}

double Difference(const std::array<double, 2>& rates)
{
    return std::max(rates[0], rates[1]) / std::min(rates[0], rates[1]) - 1;
}

std::vector<ComparisonTrial> Candidates(double difference, const PartialCents& partials)
{
    std::vector<ComparisonTrial> candidates;
    for (const Pair& pair : AllPairs()) {
        const auto& [first, second] = pair.intervals;
        const std::set<int> notes{first.lower, first.upper, second.lower, second.upper};
        for (int note : notes) {
            for (int cents = -kMaxCents; cents <= kMaxCents; ++cents) {
                if (cents == 0)
                    continue;
                ComparisonTrial trial{.kind = pair.kind,
                                      .intervals = pair.intervals,
                                      .detunedNote = note,
                                      .detunedCents = cents,
                                      .setDifference = difference};
                const auto rate0 = BeatRate(first, trial.tuning(), partials);
                const auto rate1 = BeatRate(second, trial.tuning(), partials);
                if (!rate0 || !rate1 || std::min(*rate0, *rate1) < kSlowestRate ||
                    std::max(*rate0, *rate1) > kFastestRate)
                    continue;
                trial.rates = {*rate0, *rate1};
                candidates.push_back(trial);
            }
        }
    }
    return candidates;
}

template <class T> const T& AnyOf(const std::vector<T>& items, std::mt19937& random)
{
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
}

} // namespace

std::optional<double> BeatRate(const BeatingInterval& interval, const PitchClassCents& tuning,
                               const PartialCents& partials)
{
    const auto lowerOffset = partials(interval.lower, interval.lowerPartial);
    const auto upperOffset = partials(interval.upper, interval.upperPartial);
    if (!lowerOffset || !upperOffset)
        return std::nullopt;
    const auto centsOf = [&](int note) { return double(tuning[std::size_t(note % kPitchClasses)]); };
    return std::abs(
        PartialFrequency(interval.upper, interval.upperPartial, centsOf(interval.upper) + *upperOffset) -
        PartialFrequency(interval.lower, interval.lowerPartial, centsOf(interval.lower) + *lowerOffset));
}

QString IntervalText(const BeatingInterval& interval)
{
    QString name;
    switch (interval.upper - interval.lower) {
    case 4:
        name = QStringLiteral("長3度");
        break;
    case 5:
        name = QStringLiteral("完全4度");
        break;
    case 7:
        name = QStringLiteral("完全5度");
        break;
    case 9:
        name = QStringLiteral("長6度");
        break;
    default:
        break;
    }
    return QStringLiteral("%1–%2（%3）").arg(NoteName(interval.lower), NoteName(interval.upper), name);
}

QString ComparisonKindName(ComparisonKind kind)
{
    switch (kind) {
    case ComparisonKind::FourthAndFifth:
        return QStringLiteral("同じ音の4度と5度");
    case ComparisonKind::ThirdsBySemitone:
        return QStringLiteral("半音違いの長3度");
    case ComparisonKind::ContiguousThirds:
        return QStringLiteral("連続する長3度");
    case ComparisonKind::ChromaticFourths:
        return QStringLiteral("半音違いの4度");
    case ComparisonKind::ThirdAndSixth:
        return QStringLiteral("長3度と長6度");
    }
    return {};
}

double ComparisonTrial::actualDifference() const
{
    return Difference(rates);
}

PitchClassCents ComparisonTrial::tuning() const
{
    PitchClassCents cents{};
    cents[std::size_t(detunedNote % kPitchClasses)] = detunedCents;
    return cents;
}

ComparisonTrial DrawComparisonTrial(double difference, const PartialCents& partials, std::mt19937& random)
{
    auto candidates = Candidates(difference, partials);
    if (candidates.empty()) // no note of the instrument has one clean partial: the textbook's
        candidates = Candidates(difference, Harmonic());
    const auto missBy = [&](const ComparisonTrial& trial) {
        return std::abs(trial.actualDifference() - difference);
    };
    // Near enough: within a tenth of the difference, so that the share the player hears is the
    // share the staircase set; where whole cents bring no check that near, the margin widens until
    // one comes.
    std::array<std::vector<ComparisonTrial>, kComparisonKinds> nearByKind;
    std::vector<std::size_t> kinds;
    for (double tolerance = 0.1 * difference; kinds.empty(); tolerance *= 1.25) {
        for (const ComparisonTrial& trial : candidates)
            if (missBy(trial) <= tolerance)
                nearByKind[std::size_t(trial.kind)].push_back(trial);
        for (std::size_t kind = 0; kind < nearByKind.size(); ++kind)
            if (!nearByKind[kind].empty())
                kinds.push_back(kind);
    }
    ComparisonTrial trial = AnyOf(nearByKind[AnyOf(kinds, random)], random);
    if (std::bernoulli_distribution(0.5)(random)) {
        std::swap(trial.intervals[0], trial.intervals[1]);
        std::swap(trial.rates[0], trial.rates[1]);
    }
    return trial;
}

void Staircase::answer(bool right)
{
    int direction = 0;
    if (!right) {
        direction = +1;
        rightInRow_ = 0;
    } else if (++rightInRow_ == 2) {
        direction = -1;
        rightInRow_ = 0;
    }
    if (direction == 0)
        return;
    if (lastDirection_ != 0 && direction != lastDirection_)
        reversals_.push_back(difference_);
    lastDirection_ = direction;
    difference_ =
        direction > 0 ? std::min(kCeiling, difference_ * kStep) : std::max(kFloor, difference_ / kStep);
}

std::optional<double> Staircase::threshold() const
{
    if (reversals_.size() < 2)
        return std::nullopt;
    const std::size_t count = std::min<std::size_t>(reversals_.size(), kReversalsAveraged);
    double logSum = 0;
    for (std::size_t i = reversals_.size() - count; i < reversals_.size(); ++i)
        logSum += std::log(reversals_[i]);
    return std::exp(logSum / double(count));
}

BeatComparisonDrill::BeatComparisonDrill(std::mt19937& random, PartialCents partials)
    : random_(random), partials_(std::move(partials))
{
    nextTrial();
}

bool BeatComparisonDrill::answer(int chosen)
{
    const bool right = chosen == trial_.faster();
    staircase_.answer(right);
    ++answered_;
    return right;
}

void BeatComparisonDrill::nextTrial()
{
    trial_ = DrawComparisonTrial(staircase_.difference(), partials_, random_);
}

} // namespace game
