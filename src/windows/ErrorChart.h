// SPDX-License-Identifier: GPL-3.0-or-later
// The accuracy chart of the results window: the twelve errors of a check as bars by pitch class, in
// cents (sharp up, flat down), over the band within which a note counts as in tune (±0.9 cent).
#pragma once

#include "game/Score.h"

#include <QChartView>

namespace windows {

class ErrorChart : public QChartView {
    Q_OBJECT
public:
    explicit ErrorChart(QWidget* parent);
    // The errors, player minus correct, C ... B; a screen reader reads them from the description.
    void showErrors(const game::Cents& errors);
};

} // namespace windows
