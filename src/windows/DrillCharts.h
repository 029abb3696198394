// SPDX-License-Identifier: GPL-3.0-or-later
// The history window's section "練習": the beat comparison's threshold and the unison's median
// error over time, in one chart with an axis each.
#pragma once

#include "history/DrillRecord.h"

#include <QLineSeries>
#include <QWidget>

#include <span>

class QChartView;
class QDateTimeAxis;
class QValueAxis;

namespace windows {

class DrillCharts : public QWidget {
    Q_OBJECT
public:
    DrillCharts();

    void setRecords(std::span<const history::DrillRecord> records);

    QLineSeries* thresholdSeries() const { return thresholds_; }
    QLineSeries* unisonSeries() const { return unison_; }

private:
    QLineSeries* thresholds_ = nullptr; // per cent
    QLineSeries* unison_ = nullptr;     // cents
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* percentAxis_ = nullptr;
    QValueAxis* centsAxis_ = nullptr;
    QChartView* view_ = nullptr;
};

} // namespace windows
