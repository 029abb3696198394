// SPDX-License-Identifier: GPL-3.0-or-later
// The score of an answer, 100 minus the sum of the twelve errors, and the answer check's result.
#pragma once

#include "game/Challenge.h"
#include "game/ExamScore.h"

#include <QDateTime>
#include <QStringList>

#include <cstdint>

namespace game {

using Cents = std::array<std::int32_t, kPitchClasses>;

// `player` and `correct` in cents, rows C ... B.
std::int32_t ScoreOf(const Cents& player, const Cents& correct);
// The same from twelve decimal texts each, as a report or a file may hold them. A text that is not
// an integer counts as 0.
std::int32_t ScoreOf(const QStringList& player, const QStringList& correct);

// What the answer check found, with the challenge it ends: what the results window, the
// clipboard report and the history show.
struct CheckResult {
    Cents player{};  // the player's tuning, cents, C ... B
    Cents correct{}; // the correct tuning: the hidden detuning negated
    std::int32_t score = 0;
    int difficulty = 0; // 0 ... 3
    int instrument = 0; // as game::InstrumentName names it: a General MIDI program or the tuning piano
    QString device;
    bool referenceToneUsed = false;
    bool beatWindowUsed = false; // the beat window sounded an interval in this challenge
    int referencePitch = 440;    // A4 in Hz, the pitch the cents are counted against
    // An exam challenge's: its time limit (0 for a challenge of the normal game) and the examiners'
    // score of the player's column.
    int examMinutes = 0;
    ExamScore examScore;
    bool isExam() const { return examMinutes > 0; }
    QDateTime started;
    QDateTime ended;
};

} // namespace game
