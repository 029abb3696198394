// SPDX-License-Identifier: GPL-3.0-or-later
// The score: 100 minus the twelve errors, read from the texts the two columns show.
#include "game/Score.h"

#include "game/Challenge.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace game {

namespace {

// A row that is missing or not an integer counts as 0.
std::int64_t RowValue(const QStringList& column, int row)
{
    bool ok = false;
    const int value = column.value(row).toInt(&ok);
    return ok ? value : 0;
}

} // namespace

std::int32_t ScoreOf(const QStringList& player, const QStringList& correct)
{
    // 64-bit sums: absurd texts such as "2147483647" must not overflow into a high score.
    std::int64_t score = 100;
    for (int row = 0; row < kPitchClasses; ++row)
        score -= std::abs(RowValue(player, row) - RowValue(correct, row));
    return std::int32_t(std::max<std::int64_t>(score, std::numeric_limits<std::int32_t>::min()));
}

} // namespace game
