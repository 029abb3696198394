// SPDX-License-Identifier: GPL-3.0-or-later
// The drills' chart: points at their trials' times, each series on its own axis.
#include "windows/DrillCharts.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QVBoxLayout>
#include <QValueAxis>

#include <QStringList>

#include <algorithm>

namespace windows {

namespace {

// A range from 0 to a little above the highest value, so the latest point never sits on the edge.
void FitFromZero(QValueAxis* axis, const QList<QPointF>& points, double least)
{
    double high = least;
    for (const QPointF& point : points)
        high = std::max(high, point.y() * 1.1);
    axis->setRange(0, high);
    axis->applyNiceNumbers(); // round ticks: 0, 1, 2, 3 rather than thirds of the highest value
}

// What a screen reader says of the chart: the latest value of each series.
QString InWords(const QList<QPointF>& thresholds, const QList<QPointF>& medians)
{
    if (thresholds.isEmpty() && medians.isEmpty())
        return QStringLiteral("練習の記録はまだありません。");
    QStringList said;
    if (!thresholds.isEmpty())
        said << QStringLiteral("速さ比べで聞き分けられる差は、最新 %1 %。")
                    .arg(thresholds.back().y(), 0, 'f', 1);
    if (!medians.isEmpty())
        said << QStringLiteral("ユニゾンの残ったずれの中央値は、最新 %1 セント。")
                    .arg(medians.back().y(), 0, 'f', 2);
    return said.join(QString());
}

} // namespace

DrillCharts::DrillCharts()
{
    auto* chart = new QChart;
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    chart->setTitle(QStringLiteral("練習"));
    thresholds_ = new QLineSeries;
    thresholds_->setName(QStringLiteral("速さ比べのしきい値（%）"));
    thresholds_->setPointsVisible(true);
    unison_ = new QLineSeries;
    unison_->setName(QStringLiteral("ユニゾンのずれ（セント）"));
    unison_->setPointsVisible(true);
    chart->addSeries(thresholds_);
    chart->addSeries(unison_);
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("M/d H:mm"));
    timeAxis_->setTickCount(3);
    percentAxis_ = new QValueAxis;
    percentAxis_->setLabelFormat(QStringLiteral("%g"));
    centsAxis_ = new QValueAxis;
    centsAxis_->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(percentAxis_, Qt::AlignLeft);
    chart->addAxis(centsAxis_, Qt::AlignRight);
    thresholds_->attachAxis(timeAxis_);
    thresholds_->attachAxis(percentAxis_);
    unison_->attachAxis(timeAxis_);
    unison_->attachAxis(centsAxis_);
    view_ = new QChartView(chart);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setAccessibleName(QStringLiteral("練習の推移"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setRecords({});
}

void DrillCharts::setRecords(std::span<const history::DrillRecord> records)
{
    QList<QPointF> thresholds, medians;
    for (const auto& [at, value] : history::ComparisonThresholds(records))
        thresholds << QPointF(double(at.toMSecsSinceEpoch()), value * 100);
    for (const auto& [at, value] : history::UnisonMedianErrors(records))
        medians << QPointF(double(at.toMSecsSinceEpoch()), value);
    thresholds_->replace(thresholds);
    unison_->replace(medians);
    qint64 first = 0, last = 0;
    for (const history::DrillRecord& record : records) {
        const qint64 ms = record.at.toMSecsSinceEpoch();
        first = first == 0 ? ms : std::min(first, ms);
        last = std::max(last, ms);
    }
    constexpr qint64 kDayMs = 24 * 3600 * 1000;
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(first == 0 ? last - kDayMs : first - kDayMs / 24),
                        QDateTime::fromMSecsSinceEpoch(last + kDayMs / 24));
    view_->setAccessibleDescription(InWords(thresholds, medians));
    FitFromZero(percentAxis_, thresholds, 30);
    FitFromZero(centsAxis_, medians, 2);
}

} // namespace windows
