// SPDX-License-Identifier: GPL-3.0-or-later
// The accuracy chart: a bar series, a shaded band, and its text for screen readers.
#include "windows/ErrorChart.h"

#include "game/Challenge.h"
#include "ui/Controls.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace windows {
namespace {

// Under a whole cent the examiners deduct nothing.
constexpr double kInTuneCents = 0.9;

// The band ±0.9 cent across every category (a category axis counts its categories 0, 1, ...).
QAreaSeries* InTuneBand()
{
    auto* upper = new QLineSeries;
    auto* lower = new QLineSeries;
    for (const double x : {-0.5, game::kPitchClasses - 0.5}) {
        upper->append(x, kInTuneCents);
        lower->append(x, -kInTuneCents);
    }
    auto* band = new QAreaSeries(upper, lower);
    // An area series does not own its edges: they go with it.
    upper->setParent(band);
    lower->setParent(band);
    band->setName(QStringLiteral("±0.9セント"));
    band->setColor(QColor(0, 160, 0, 60));
    band->setBorderColor(Qt::transparent);
    return band;
}

// A round reach for the scale, beyond the largest error: its halves make the ticks.
int ScaleReach(int largest)
{
    for (const int reach : {2, 4, 10, 20, 40, 60, 100, 200})
        if (largest < reach)
            return reach;
    return largest + 1;
}

QString SignedCents(int cents)
{
    return cents > 0 ? QStringLiteral("+%1").arg(cents) : QString::number(cents);
}

} // namespace

ErrorChart::ErrorChart(QWidget* parent) : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
    setAccessibleName(QStringLiteral("誤差のグラフ"));
    showErrors({});
}

void ErrorChart::showErrors(const game::Cents& errors)
{
    auto* chart = new QChart;
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    chart->legend()->hide();
    chart->setTitle(QStringLiteral("誤差（セント）　＋高い／−低い"));
    chart->setTitleFont(ui::FormFont(12));
    auto* bars = new QBarSet(QStringLiteral("誤差"));
    QStringList names;
    QStringList description;
    int largest = 0;
    for (int k = 0; k < game::kPitchClasses; ++k) {
        const int error = errors[std::size_t(k)];
        bars->append(error);
        names << game::PitchClassName(k);
        description << game::PitchClassName(k) + u' ' + SignedCents(error);
        largest = std::max(largest, std::abs(error));
    }
    bars->setColor(QColor(200, 40, 40));
    auto* series = new QBarSeries;
    series->append(bars);
    chart->addSeries(InTuneBand());
    chart->addSeries(series);
    auto* classes = new QBarCategoryAxis;
    classes->append(names);
    // Qt Charts cuts a label to "…" long before two characters would touch their neighbours.
    classes->setTruncateLabels(false);
    classes->setLabelsFont(ui::FormFont(10));
    auto* cents = new QValueAxis;
    const int reach = ScaleReach(largest);
    cents->setRange(-reach, reach);
    cents->setTickCount(5);
    cents->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(classes, Qt::AlignBottom);
    chart->addAxis(cents, Qt::AlignLeft);
    for (QAbstractSeries* each : chart->series()) {
        each->attachAxis(classes);
        each->attachAxis(cents);
    }
    QChart* previous = this->chart();
    setChart(chart);
    delete previous; // setChart leaves the old chart to its caller
    setAccessibleDescription(QStringLiteral("音名ごとの誤差（セント、＋は高い、−は低い）：") +
                             description.join(QStringLiteral("、")));
}

} // namespace windows
