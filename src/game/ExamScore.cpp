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

QString ExaminersRuleText()
{
    return QStringLiteral("各音の誤差が1セント未満なら減点なし、それ以上は1セントごとに1点。"
                          "得点 = 100 − 2.5 × 減点、80点以上で合格");
}

} // namespace game
