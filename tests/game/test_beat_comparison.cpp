// SPDX-License-Identifier: GPL-3.0-or-later
// The beat-speed comparison's rules: the staircase's steps and the trials' beats, worked out here
// from stiff strings' partials without the drill's own arithmetic.
#include "game/BeatComparison.h"

#include <QtTest>

#include <cmath>
#include <set>

namespace {

// A stiff string's partial n lies at n · f₁ · √(1 + B·n²); B grows up the keyboard, about 0.0002
// at F3 and 0.0013 at E5 on the default piano.
double Stiffness(int note)
{
    return 0.0002 * std::pow(0.0013 / 0.0002, (note - 53) / 23.0);
}

double PartialHz(int note, int partial, double cents)
{
    const double fundamental = 440 * std::pow(2.0, (note - 69) / 12.0) * std::pow(2.0, cents / 1200);
    return partial * fundamental * std::sqrt(1 + Stiffness(note) * partial * partial);
}

game::PartialCents StiffPartials()
{
    return [](int note, int partial) {
        return std::optional(1200 * std::log2(std::sqrt(1 + Stiffness(note) * partial * partial)));
    };
}

// The partials that meet, by the interval's size in semitones.
std::pair<int, int> MeetingPartials(int semitones)
{
    switch (semitones) {
    case 4:
        return {5, 4};
    case 5:
        return {4, 3};
    case 7:
        return {3, 2};
    case 9:
        return {5, 3};
    default:
        return {0, 0};
    }
}

double ExpectedRate(const game::BeatingInterval& interval, int detunedNote, int cents)
{
    const auto [lowerPartial, upperPartial] = MeetingPartials(interval.upper - interval.lower);
    const auto centsOf = [&](int note) { return note % 12 == detunedNote % 12 ? cents : 0; };
    return std::abs(PartialHz(interval.upper, upperPartial, centsOf(interval.upper)) -
                    PartialHz(interval.lower, lowerPartial, centsOf(interval.lower)));
}

} // namespace

class TestBeatComparison : public QObject {
    Q_OBJECT

private slots:
    // Two right answers make the difference 1.25 times smaller, one wrong answer 1.25 times larger;
    // the threshold is the geometric mean of the turning points.
    void staircaseStepsTwoDownOneUp()
    {
        game::Staircase staircase;
        QCOMPARE(staircase.difference(), 0.30);
        const std::vector<std::pair<bool, double>> steps = {{true, 0.30}, {true, 0.24}, {false, 0.30},
                                                            {true, 0.30}, {true, 0.24}, {false, 0.30}};
        for (const auto& [right, expected] : steps) {
            staircase.answer(right);
            QVERIFY(std::abs(staircase.difference() - expected) < 1e-12);
        }
        // Turned at 0.24 (up), 0.30 (down), 0.24 (up).
        QVERIFY(staircase.threshold());
        QVERIFY(std::abs(*staircase.threshold() - std::cbrt(0.24 * 0.30 * 0.24)) < 1e-12);
    }

    void staircaseStopsAtTheFloor()
    {
        game::Staircase staircase;
        QVERIFY(!staircase.threshold());
        for (int i = 0; i < 60; ++i)
            staircase.answer(true);
        QCOMPARE(staircase.difference(), 0.02);
        staircase.answer(false);
        QVERIFY(std::abs(staircase.difference() - 0.025) < 1e-12);
    }

    void staircaseFindsASimulatedListenersThreshold_data()
    {
        QTest::addColumn<double>("threshold");
        for (double threshold : {0.025, 0.04, 0.06, 0.12, 0.24})
            QTest::addRow("%.3f", threshold) << threshold;
    }
    // A listener who hears every difference above the threshold and guesses below it: after 80
    // trials the estimate lies within one and a half steps of the threshold.
    void staircaseFindsASimulatedListenersThreshold()
    {
        QFETCH(double, threshold);
        std::mt19937 random(3);
        std::bernoulli_distribution guess(0.5);
        game::Staircase staircase;
        for (int trial = 0; trial < 80; ++trial)
            staircase.answer(staircase.difference() > threshold || guess(random));
        QVERIFY(staircase.threshold());
        const double found = *staircase.threshold(), reach = std::pow(game::Staircase::kStep, 1.5);
        QVERIFY2(found > threshold / reach && found < threshold * reach, qPrintable(QString::number(found)));
    }

    // Every trial: one pitch class detuned, the rates those of the instrument's partials, the
    // faster one the answer, and the two beats apart by the set share within a tenth of it.
    void trialsSetTheDifferenceWithOneNote()
    {
        std::mt19937 random(7);
        for (double difference : {0.30, 0.15, 0.06, 0.03, 0.02}) {
            for (int draw = 0; draw < 12; ++draw) {
                const game::ComparisonTrial trial =
                    game::DrawComparisonTrial(difference, StiffPartials(), random);
                const double rate0 = ExpectedRate(trial.intervals[0], trial.detunedNote, trial.detunedCents);
                const double rate1 = ExpectedRate(trial.intervals[1], trial.detunedNote, trial.detunedCents);
                QVERIFY(std::abs(trial.rates[0] - rate0) < 1e-9);
                QVERIFY(std::abs(trial.rates[1] - rate1) < 1e-9);
                QCOMPARE(trial.faster(), rate1 > rate0 ? 1 : 0);
                const double actual = std::max(rate0, rate1) / std::min(rate0, rate1) - 1;
                QVERIFY2(std::abs(actual - difference) <= 0.1 * difference,
                         qPrintable(QStringLiteral("set %1, heard %2").arg(difference).arg(actual)));
                int detuned = 0;
                for (int cents : trial.tuning())
                    detuned += cents != 0;
                QCOMPARE(detuned, 1);
                QCOMPARE(trial.tuning()[std::size_t(trial.detunedNote % 12)], trial.detunedCents);
            }
        }
    }

    // The checks vary and the faster beat comes first as often as second.
    void trialsVaryKindAndOrder()
    {
        std::mt19937 random(11);
        std::set<game::ComparisonKind> kinds;
        int fasterFirst = 0;
        constexpr int kDraws = 200;
        for (int draw = 0; draw < kDraws; ++draw) {
            const auto trial = game::DrawComparisonTrial(0.30, StiffPartials(), random);
            kinds.insert(trial.kind);
            fasterFirst += trial.faster() == 0;
        }
        QCOMPARE(int(kinds.size()), game::kComparisonKinds);
        QVERIFY(fasterFirst > kDraws / 3 && fasterFirst < 2 * kDraws / 3);
    }

    // Where whole cents come near the share with few pairs (5 % on harmonic partials), the drill
    // still draws from several, not from its one nearest.
    void fewNearPairsStillVary()
    {
        std::mt19937 random(5);
        const game::PartialCents harmonic = [](int, int) { return std::optional(0.0); };
        std::set<std::pair<int, int>> pairs; // by the lower notes of the two intervals
        for (int draw = 0; draw < 100; ++draw) {
            const auto trial = game::DrawComparisonTrial(0.05, harmonic, random);
            pairs.insert(std::minmax(trial.intervals[0].lower, trial.intervals[1].lower));
        }
        QVERIFY2(pairs.size() >= 5, qPrintable(QString::number(pairs.size())));
    }
};

QTEST_GUILESS_MAIN(TestBeatComparison)
#include "test_beat_comparison.moc"
