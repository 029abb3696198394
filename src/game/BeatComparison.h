// SPDX-License-Identifier: GPL-3.0-or-later
// The drill "うなりの速さ比べ" without widgets: two intervals of a temperament check, one note
// detuned so that one beats faster than the other by a set share, and the staircase that narrows
// that share to the player's threshold.
#pragma once

#include "game/Challenge.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <random>
#include <vector>

namespace game {

// How an instrument's partials lie: partial n (from 1) of `note` this many cents above n times the
// note's equal-tempered frequency; nullopt where the note has no one clean partial there.
using PartialCents = std::function<std::optional<double>(int note, int partial)>;

// Each pitch class's GS scale tuning in whole cents, C ... B.
using PitchClassCents = std::array<int, kPitchClasses>;

// Two notes and the partials of theirs that meet: 3 and 2 in a fifth, 5 and 4 in a major third.
struct BeatingInterval {
    int lower = 0; // MIDI notes
    int upper = 0;
    int lowerPartial = 1;
    int upperPartial = 1;
    bool operator==(const BeatingInterval&) const = default;
};

// Beats per second of `interval` in `tuning`; nullopt where a partial that meets is not clean.
std::optional<double> BeatRate(const BeatingInterval& interval, const PitchClassCents& tuning,
                               const PartialCents& partials);

// "A3–D4（完全4度）".
QString IntervalText(const BeatingInterval& interval);

// The checks a tuner makes by comparing two beats.
enum class ComparisonKind {
    FourthAndFifth,   // A3–D4 against G3–D4: which way the shared note is off
    ThirdsBySemitone, // F3–A3 against F#3–A#3
    ContiguousThirds, // F3–A3 against A3–C#4
    ChromaticFourths, // F3–A#3 against F#3–B3
    ThirdAndSixth,    // F3–A3 against F3–D4
};
constexpr int kComparisonKinds = 5;

QString ComparisonKindName(ComparisonKind kind);

struct ComparisonTrial {
    ComparisonKind kind = ComparisonKind::FourthAndFifth;
    std::array<BeatingInterval, 2> intervals; // in the order they sound
    int detunedNote = 0;                      // the one note off equal temperament
    int detunedCents = 0;
    std::array<double, 2> rates{}; // Hz, as the instrument that plays beats
    double setDifference = 0;      // the staircase's share: 0.3 is 30 %

    int faster() const { return rates[1] > rates[0] ? 1 : 0; }
    // How much faster the faster beat is than the slower, as a share.
    double actualDifference() const;
    // Channel 1's scale tuning for the trial: the detuned note's pitch class alone off 0.
    PitchClassCents tuning() const;
};

// Draws a trial whose two beats differ by `difference` as nearly as whole cents of one note allow,
// among the checks that come near it; the faster one comes first or second at random.
ComparisonTrial DrawComparisonTrial(double difference, const PartialCents& partials, std::mt19937& random);

// Two right answers in a row make the difference smaller, one wrong answer larger; never below
// the floor. The threshold is the geometric mean of the latest reversals.
class Staircase {
public:
    static constexpr double kStart = 0.30;
    static constexpr double kFloor = 0.02;
    static constexpr double kCeiling = 0.60;
    static constexpr double kStep = 1.25; // the factor of one step up; a step down divides by it
    static constexpr int kReversalsAveraged = 6;

    double difference() const { return difference_; }
    void answer(bool right);
    // Nullopt until the staircase has turned twice.
    std::optional<double> threshold() const;

private:
    double difference_ = kStart;
    int rightInRow_ = 0;
    int lastDirection_ = 0; // +1 up, -1 down, 0 none yet
    std::vector<double> reversals_;
};

// One sitting of the drill: the trial that sounds, the staircase and the count.
class BeatComparisonDrill {
public:
    BeatComparisonDrill(std::mt19937& random, PartialCents partials);

    const ComparisonTrial& trial() const { return trial_; }
    const Staircase& staircase() const { return staircase_; }
    int answered() const { return answered_; }
    // The player heard `chosen` (0 or 1) beat faster: true when it did. The staircase moves, and
    // nextTrial() draws at the new difference.
    bool answer(int chosen);
    void nextTrial();
    // The instrument or the device changed: rates follow its partials from the next trial on.
    void setPartials(PartialCents partials) { partials_ = std::move(partials); }

private:
    std::mt19937& random_;
    PartialCents partials_;
    Staircase staircase_;
    ComparisonTrial trial_;
    int answered_ = 0;
};

} // namespace game
