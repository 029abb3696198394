// SPDX-License-Identifier: GPL-3.0-or-later
// The score: 100 minus the twelve errors.
#include "game/Score.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace game {
namespace {

using WideCents = std::array<std::int64_t, kPitchClasses>;

// 64-bit sums: absurd values such as 2147483647 must not overflow into a high score.
std::int32_t ScoreOfWide(const WideCents& player, const WideCents& correct)
{
    std::int64_t score = 100;
    for (std::size_t row = 0; row < player.size(); ++row)
        score -= std::abs(player[row] - correct[row]);
    return std::int32_t(std::max<std::int64_t>(score, std::numeric_limits<std::int32_t>::min()));
}

// A row that is missing or not an integer counts as 0.
WideCents ColumnValues(const QStringList& column)
{
    WideCents values{};
    for (int row = 0; row < kPitchClasses; ++row) {
        bool ok = false;
        const int value = column.value(row).toInt(&ok);
        values[std::size_t(row)] = ok ? value : 0;
    }
    return values;
}

WideCents Widened(const Cents& cents)
{
    WideCents values{};
    std::copy(cents.begin(), cents.end(), values.begin());
    return values;
}

} // namespace

std::int32_t ScoreOf(const Cents& player, const Cents& correct)
{
    return ScoreOfWide(Widened(player), Widened(correct));
}

std::int32_t ScoreOf(const QStringList& player, const QStringList& correct)
{
    return ScoreOfWide(ColumnValues(player), ColumnValues(correct));
}

} // namespace game
