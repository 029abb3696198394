// SPDX-License-Identifier: GPL-3.0-or-later
// Round ticks and short time labels for the history charts.
#include "history/ChartScale.h"

#include <algorithm>
#include <cmath>

namespace history {
namespace {

// The smallest of 1, 2, 5 times a power of ten that is at least `rough`.
double RoundUp(double rough)
{
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double multiple : {1.0, 2.0, 5.0})
        if (multiple * power >= rough)
            return multiple * power;
    return 10.0 * power;
}

} // namespace

AxisScale RoundScale(double lowest, double highest, int mostTicks)
{
    const double span = std::max(highest - lowest, 1.0);
    // Ticks between the ends and possibly one each side of them: mostTicks - 1 steps at most.
    const double step = RoundUp(span / std::max(mostTicks - 1, 1));
    return {lowest - step / 2, highest + step / 2, step};
}

QString TimeLabelFormat(qint64 spanMs)
{
    constexpr qint64 kDayMs = 24 * 60 * 60 * 1000;
    constexpr qint64 kWeekMs = 7 * kDayMs;
    if (spanMs < kDayMs)
        return QStringLiteral("H:mm");
    return spanMs < kWeekMs ? QStringLiteral("M/d H:mm") : QStringLiteral("M/d");
}

} // namespace history
