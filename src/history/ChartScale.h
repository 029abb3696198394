// SPDX-License-Identifier: GPL-3.0-or-later
// The history charts' axes: ticks on round values, room for the markers at both ends, and time
// labels short enough for a small screen.
#pragma once

#include <QString>
#include <QtGlobal>

namespace history {

struct AxisScale {
    double low = 0; // the axis's ends, a little beyond the values drawn
    double high = 0;
    double step = 1; // ticks at every multiple of it: 1, 2 or 5 times a power of ten
};

// An axis for values from `lowest` to `highest` with at most `mostTicks` ticks, each on a round
// value. The ends lie half a step beyond the values, so no marker is cut at the frame.
AxisScale RoundScale(double lowest, double highest, int mostTicks);

// The label format of a time axis over `spanMs`, as short as tells its ticks apart: the time of
// day within a day, date and time within a week, the date alone beyond. No leading zeros and no
// year, so that three labels fit beside each other on a small screen.
QString TimeLabelFormat(qint64 spanMs);

} // namespace history
