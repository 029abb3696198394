// SPDX-License-Identifier: GPL-3.0-or-later
// A temperament scored as the American guild's tuning examiners score one: per note an error under
// 1 cent costs nothing, then a point per whole cent (1 ... 1.9 → 1, 2 ... 2.9 → 2, ...); the
// section's score is 100 − 2.5 × points, and 80 passes.
#pragma once

#include "game/Challenge.h"

#include <QString>

#include <array>

namespace game {

constexpr double kExamPassMark = 80;
// The exam's time limits on offer, in minutes, and the one first chosen.
constexpr std::array<int, 3> kExamMinutes{10, 20, 30};
constexpr int kDefaultExamMinutes = 20;

struct ExamScore {
    int points = 0;
    double score = 100;
    bool passed() const { return score >= kExamPassMark; }
};

// `errors`: each class's distance from the correct tuning, in cents (either sign).
ExamScore ScoreAsExaminers(const std::array<double, kPitchClasses>& errors);

// The examiners' rule in one line, for the results window's tooltip.
QString ExaminersRuleText();

} // namespace game
