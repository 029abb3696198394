// SPDX-License-Identifier: GPL-3.0-or-later
// The examiners' deductions.
#include "game/ExamScore.h"

#include <cmath>

namespace game {

ExamScore ScoreAsExaminers(const std::array<double, kPitchClasses>& errors)
{
    ExamScore result;
    for (const double error : errors)
        result.points += int(std::floor(std::abs(error)));
    result.score = 100 - 2.5 * result.points;
    return result;
}

} // namespace game
