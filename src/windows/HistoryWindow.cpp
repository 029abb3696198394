// SPDX-License-Identifier: GPL-3.0-or-later
// The window "成績の推移" and the recording of each answer check.
#include "windows/HistoryWindow.h"

#include "game/Challenge.h"
#include "game/Instruments.h"
#include "game/ReferencePitch.h"
#include "game/Report.h"
#include "game/WholeFile.h"
#include "history/BeatRates.h"
#include "history/ChartScale.h"
#include "history/Csv.h"
#include "ui/Controls.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLegendMarker>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace windows {

using history::ChallengeRecord;

namespace {

// The system's reason, or a word that there is none to tell.
QString ReasonText(const QString& failure)
{
    return failure.isEmpty() ? QStringLiteral("理由は分かりません") : failure;
}

// Points are drawn only while they stay few; beyond that the lines alone are clearer and faster.
constexpr qsizetype kMostVisiblePoints = 300;
// Far more runs than the chart is pixels wide: thinned lines look the same as the whole ones.
constexpr int kThinnedBuckets = 2000;
constexpr int kNoticeMs = 20'000;
const std::array<std::optional<std::size_t>, 3> kErrorWindows = {10, 50, std::nullopt};
// Few ticks, so that every label fits beside the others on a 1024 × 768 screen.
constexpr int kTimeTicks = 3;
constexpr int kValueTicks = 6;
constexpr int kLoneMarkerSize = 12;
constexpr int kClassLabelPixels = 10;

QTableWidget* MakeTable(QWidget* parent, const QStringList& headers)
{
    auto* table = new QTableWidget(history::kPitchClasses, int(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents); // all twelve rows in view
    return table;
}

void SetCell(QTableWidget* table, int row, int column, const QString& text, bool marked = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                       : Qt::AlignRight | Qt::AlignVCenter);
    if (marked)
        item->setForeground(Qt::red);
    table->setItem(row, column, item);
}

// The score chart in a sentence, for a screen reader: how many challenges, the latest and the best,
// each score said once.
QString ScoresInWords(const std::vector<ChallengeRecord>& records)
{
    if (records.empty())
        return QStringLiteral("記録はまだありません");
    const auto best = std::max_element(records.begin(), records.end(),
                                       [](const auto& a, const auto& b) { return a.score < b.score; });
    const ChallengeRecord& latest = records.back();
    const QString latestText = QStringLiteral("%1回の挑戦。最新は%2点（%3）")
                                   .arg(records.size())
                                   .arg(latest.score)
                                   .arg(game::LevelWord(latest.difficulty));
    if (best->score == latest.score)
        return latestText + (records.size() > 1 ? QStringLiteral("で、これまでの最高です") : QString());
    return latestText +
           QStringLiteral("、最高は%1点（%2）").arg(best->score).arg(game::LevelWord(best->difficulty));
}

// The error chart in a sentence: the pitch class the player misses most, by how much and which
// way, each figure said once.
QString ErrorsInWords(const std::array<history::PitchClassError, history::kPitchClasses>& errors)
{
    const auto worst = std::max_element(errors.begin(), errors.end(), [](const auto& a, const auto& b) {
        return a.meanAbsolute < b.meanAbsolute;
    });
    if (worst->meanAbsolute == 0)
        return QStringLiteral("ずれはありません");
    const QString name =
        QStringLiteral("ずれが最も大きい音名は%1：").arg(game::PitchClassName(int(worst - errors.begin())));
    if (std::abs(worst->meanSigned) == worst->meanAbsolute) // always the same way
        return name + QStringLiteral("平均%1セント%2")
                          .arg(worst->meanAbsolute, 0, 'f', 1)
                          .arg(worst->meanSigned > 0 ? QStringLiteral("高め") : QStringLiteral("低め"));
    return name +
           QStringLiteral("ずれの大きさは平均%1セント、高め低めを差し引くと%2セント")
               .arg(worst->meanAbsolute, 0, 'f', 1)
               .arg(QString::number(worst->meanSigned, 'f', 1).prepend(worst->meanSigned > 0 ? "+" : ""));
}

// A chart that spends its room on the plot: no frame inset around it, so that the axes' labels keep
// their width on a small screen.
QChart* MakeChart()
{
    auto* chart = new QChart;
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    return chart;
}

// Ticks on the scale's round values only, not on its ends.
void SetScale(QValueAxis* axis, const history::AxisScale& scale)
{
    axis->setRange(scale.low, scale.high);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(scale.step);
    axis->setLabelFormat(QStringLiteral("%g"));
}

// The level, and what set the challenge apart: an exam's time limit, a reference pitch other than
// 440 Hz ("特級・検定20分・A=442Hz").
QString LevelText(const ChallengeRecord& record)
{
    QStringList parts{game::LevelWord(record.difficulty)};
    if (record.isExam())
        parts << QStringLiteral("検定%1分").arg(record.examMinutes);
    if (record.referencePitch != game::kDefaultReferencePitch)
        parts << game::ReferencePitchText(record.referencePitch);
    return parts.join(u'・');
}

} // namespace

// ---- Table model ----------------------------------------------------------------------------

int ChallengeTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(records_.size());
}

int ChallengeTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 8;
}

const ChallengeRecord& ChallengeTableModel::recordAt(int row) const
{
    return records_[records_.size() - 1 - std::size_t(row)];
}

QVariant ChallengeTableModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::TextAlignmentRole && (index.column() == 2 || index.column() == 3))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == kSortRole)
        return sortKey(recordAt(index.row()), index.column());
    if (role == kModeRole)
        return recordAt(index.row()).isExam() ? QStringLiteral("exam") : QStringLiteral("normal");
    if (role != Qt::DisplayRole)
        return {};
    return text(recordAt(index.row()), index.column());
}

QString ChallengeTableModel::text(const ChallengeRecord& record, int column)
{
    switch (column) {
    case 0:
        return QLocale::system().toString(record.ended, QLocale::ShortFormat);
    case 1:
        return LevelText(record);
    case 2:
        return record.isExam()
                   ? QStringLiteral("%1（検定式 %2・%3）")
                         .arg(record.score)
                         .arg(record.examScore)
                         .arg(record.examPassed ? QStringLiteral("合格") : QStringLiteral("不合格"))
                   : QString::number(record.score);
    case 3:
        return game::DurationText(record.elapsedMs, QLocale::system());
    case 4:
        return game::InstrumentName(record.instrument);
    case 5:
        return record.device;
    case 6:
        return record.referenceToneUsed ? QStringLiteral("使用") : QStringLiteral("不使用");
    default:
        return record.beatWindowUsed ? QStringLiteral("使用") : QStringLiteral("不使用");
    }
}

// What a column is ordered by: the values behind the texts (a time, not its text; a score as a
// number), and the texts where they are the value.
QVariant ChallengeTableModel::sortKey(const ChallengeRecord& record, int column)
{
    switch (column) {
    case 0:
        return record.ended;
    case 1:
        return record.difficulty;
    case 2:
        return record.score;
    case 3:
        return qint64(record.elapsedMs);
    case 6:
        return record.referenceToneUsed;
    default:
        return text(record, column);
    }
}

QVariant ChallengeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList headers = {"終了時刻", "難易度",   "点数",   "所要時間",
                                        "音色",     "使用音源", "基準音", "うなり練習"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headers.value(section);
    return {};
}

void ChallengeTableModel::reset(const std::function<void()>& change)
{
    beginResetModel();
    change();
    endResetModel();
}

// ---- Window ---------------------------------------------------------------------------------

// Its preferred size where the screen has room, otherwise nine tenths of it: the export button and
// the title bar's buttons must never lie off screen. Where it goes is the program's to say; it
// never shrinks below `smallest` (as far as the screen allows) to stay clear of other windows, as
// its charts and tables are unreadable below that, and the player is reading, not playing.
void HistoryWindow::fitOnScreen(QSize preferred, QSize smallest)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 9 / 10 : preferred;
    setMinimumSize(smallest.boundedTo(room));
    resize(preferred.boundedTo(room));
}

HistoryWindow::HistoryWindow(Desktop& desktop, PartialsOfInstrument partialsOf)
    : desktop_(desktop), partialsOf_(std::move(partialsOf))
{
    setWindowTitle(QStringLiteral("成績の推移"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    fitOnScreen(QSize(1300, 780), QSize(820, 560));
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);

    auto* charts = new QSplitter(Qt::Vertical);
    charts->addWidget(createScoreChart());
    charts->addWidget(createErrorChart());
    drillCharts_ = new DrillCharts;
    charts->addWidget(drillCharts_);
    charts->setSizes({1, 1, 1});

    summaryLabel_ = new QLabel;
    summaryLabel_->setTextFormat(Qt::PlainText);
    challengeTable_ = new QTableView;
    challengeTable_->setAccessibleName(QStringLiteral("挑戦の一覧"));
    sorted_.setSourceModel(&model_);
    sorted_.setSortRole(ChallengeTableModel::kSortRole);
    challengeTable_->setModel(&sorted_);
    challengeTable_->setSortingEnabled(true); // a click on a header sorts by its column
    challengeTable_->sortByColumn(0, Qt::DescendingOrder);
    challengeTable_->verticalHeader()->hide();
    challengeTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    challengeTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    challengeTable_->horizontalHeader()->setStretchLastSection(true);
    for (auto [column, width] : {std::pair{0, 130}, {1, 50}, {2, 40}, {3, 90}, {4, 110}, {5, 150}})
        challengeTable_->setColumnWidth(column, width);
    connect(challengeTable_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showDetail(current.row()); });
    // A ui::Button: Return and Enter press it, as every button of the program.
    exportButton_ = new ui::Button(nullptr, QStringLiteral("CSVに書き出す(&E)…"), {});
    connect(exportButton_, &QPushButton::clicked, this, &HistoryWindow::exportCsv);

    modeChoice_ = new QComboBox;
    modeChoice_->addItems({QStringLiteral("すべて"), QStringLiteral("通常の挑戦"), QStringLiteral("検定")});
    connect(modeChoice_, &QComboBox::currentIndexChanged, this, &HistoryWindow::filterByMode);
    auto* modeLabel = new QLabel(QStringLiteral("一覧に出す挑戦(&M)："));
    modeLabel->setBuddy(modeChoice_);
    sorted_.setFilterRole(ChallengeTableModel::kModeRole);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(modeLabel);
    modeRow->addWidget(modeChoice_);
    modeRow->addStretch();

    auto* exportRow = new QHBoxLayout;
    exportRow->addStretch();
    exportRow->addWidget(exportButton_);
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(summaryLabel_);
    rightLayout->addLayout(modeRow);
    rightLayout->addWidget(challengeTable_, 1);
    rightLayout->addWidget(createDetail());
    rightLayout->addLayout(exportRow);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(charts);
    split->addWidget(right);
    // Two fifths to the charts, at any width: they shrink well, the detail's columns do not.
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setSizes({520, 780});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(split);
    refresh();
}

QWidget* HistoryWindow::createScoreChart()
{
    auto* scoreChart = MakeChart();
    scoreChart->setTitle(
        QStringLiteral("点数の推移（太線は直近%1回の平均）").arg(history::kMovingAverageLength));
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setTickCount(kTimeTicks);
    timeAxis_->setTitleText(QStringLiteral("終了時刻"));
    scoreAxis_ = new QValueAxis;
    scoreAxis_->setTitleText(QStringLiteral("点数"));
    scoreChart->addAxis(timeAxis_, Qt::AlignBottom);
    scoreChart->addAxis(scoreAxis_, Qt::AlignLeft);
    const std::array<QColor, history::kDifficulties> colours = {
        QColor(0xc0, 0x30, 0x30), QColor(0xd0, 0x80, 0x10), QColor(0x20, 0x80, 0x40),
        QColor(0x30, 0x60, 0xc0)};
    for (int d = 0; d < history::kDifficulties; ++d) {
        auto* score = new QLineSeries;
        score->setName(game::LevelWord(d));
        score->setPen(QPen(colours[std::size_t(d)].lighter(140), 1));
        score->setMarkerSize(8);
        auto* average = new QLineSeries;
        average->setName(game::LevelWord(d) + QStringLiteral("（平均）"));
        average->setPen(QPen(colours[std::size_t(d)], 3));
        average->setMarkerSize(kLoneMarkerSize);
        for (auto* series : {score, average}) {
            scoreChart->addSeries(series);
            series->attachAxis(timeAxis_);
            series->attachAxis(scoreAxis_);
        }
        scoreChart->legend()->markers(average).constFirst()->setVisible(
            false); // the title explains the bold lines
        scores_[std::size_t(d)] = score;
        averages_[std::size_t(d)] = average;
    }
    scoreView_ = new QChartView(scoreChart);
    scoreView_->setRenderHint(QPainter::Antialiasing);
    scoreView_->setAccessibleName(scoreChart->title());
    return scoreView_;
}

QWidget* HistoryWindow::createErrorChart()
{
    auto* chart = MakeChart();
    chart->setTitle(QStringLiteral("音名ごとのずれ（貴方の調律 − 正解、単位セント）"));
    signedErrors_ = new QBarSet(QStringLiteral("平均のずれ（＋は高め）"));
    absoluteErrors_ = new QBarSet(QStringLiteral("ずれの大きさの平均"));
    auto* bars = new QBarSeries;
    bars->append(signedErrors_);
    bars->append(absoluteErrors_);
    chart->addSeries(bars);
    auto* classes = new QBarCategoryAxis;
    for (int k = 0; k < history::kPitchClasses; ++k)
        classes->append(game::PitchClassName(k));
    // Twelve names in a third of a 1024-pixel screen: at the charts' default size the sharps
    // were cut to "…".
    classes->setLabelsFont(ui::FormFont(kClassLabelPixels));
    // Qt Charts cuts a label to "…" well before it would touch its neighbour; two characters in a
    // twelfth of the chart never do.
    classes->setTruncateLabels(false);
    errorAxis_ = new QValueAxis;
    chart->addAxis(classes, Qt::AlignBottom);
    chart->addAxis(errorAxis_, Qt::AlignLeft);
    bars->attachAxis(classes);
    bars->attachAxis(errorAxis_);

    errorWindowChoice_ = new QComboBox;
    errorWindowChoice_->addItems(
        {QStringLiteral("直近10回"), QStringLiteral("直近50回"), QStringLiteral("すべて")});
    connect(errorWindowChoice_, &QComboBox::currentIndexChanged, this, &HistoryWindow::refreshErrors);
    auto* choiceLabel = new QLabel(QStringLiteral("集計する挑戦(&W)："));
    choiceLabel->setBuddy(errorWindowChoice_);
    auto* choiceRow = new QHBoxLayout;
    choiceRow->addWidget(choiceLabel);
    choiceRow->addWidget(errorWindowChoice_);
    choiceRow->addStretch();

    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(choiceRow);
    errorView_ = new QChartView(chart);
    errorView_->setRenderHint(QPainter::Antialiasing);
    errorView_->setAccessibleName(chart->title());
    layout->addWidget(errorView_, 1);
    return box;
}

QWidget* HistoryWindow::createDetail()
{
    // Headers on two lines: on one, the two tables were wider than the room beside the charts on a
    // 1024-pixel screen and the tuning order's last columns had to be scrolled to.
    rowsTable_ = MakeTable(this, {"音名", "貴方の\n調律", "正解の\n調律", "ずれ"});
    rowsTable_->setAccessibleName(QStringLiteral("選んだ挑戦の音名ごとの調律"));
    beatsTable_ = MakeTable(this, {"手順", "音程", "貴方の調律\nのうなり", "平均律の\nうなり", "向き"});
    beatsTable_->setAccessibleName(QStringLiteral("選んだ挑戦の調律の順序とうなり"));
    auto* detail = new QWidget;
    auto* layout = new QHBoxLayout(detail);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rowsTable_);
    layout->addWidget(beatsTable_, 1);
    return detail;
}

void HistoryWindow::load(const QString& path)
{
    history::Database database(path, history::kWaitDuringPlay, history::Access::Read);
    const bool readable = database.fault() == history::Fault::None;
    setRecords(readable ? database.readAll() : std::vector<ChallengeRecord>{});
    setDrillRecords(readable ? history::ReadDrillRecords(database) : std::vector<history::DrillRecord>{});
}

void HistoryWindow::setDrillRecords(std::vector<history::DrillRecord> records)
{
    drillRecords_ = std::move(records);
    drillCharts_->setRecords(drillRecords_);
}

void HistoryWindow::appendDrill(const history::DrillRecord& record)
{
    drillRecords_.push_back(record);
    drillCharts_->setRecords(drillRecords_);
}

void HistoryWindow::setRecords(std::vector<ChallengeRecord> records)
{
    model_.reset([&] { records_ = std::move(records); });
    refresh();
}

void HistoryWindow::append(const std::vector<ChallengeRecord>& records)
{
    model_.reset([&] { records_.insert(records_.end(), records.begin(), records.end()); });
    refresh();
}

void HistoryWindow::refresh()
{
    refreshScores();
    refreshErrors();
    refreshSummary();
    if (records_.empty())
        showDetail(-1);
    else
        challengeTable_->selectRow(0);
}

void HistoryWindow::refreshScores()
{
    std::array<QList<QPointF>, history::kDifficulties> points;
    for (const ChallengeRecord& record : records_)
        if (record.difficulty >= 0 && record.difficulty < history::kDifficulties)
            points[std::size_t(record.difficulty)].append(
                QPointF(double(record.ended.toMSecsSinceEpoch()), record.score));
    constexpr int kHighest = 100; // a score is at most 100; it has no lowest
    int lowest = 0;
    for (int d = 0; d < history::kDifficulties; ++d) {
        const auto& list = points[std::size_t(d)];
        std::vector<double> values;
        values.reserve(std::size_t(list.size()));
        for (const QPointF& point : list) {
            values.push_back(point.y());
            lowest = std::min(lowest, int(point.y()));
        }
        const auto means = history::MovingAverage(values);
        QList<QPointF> average;
        average.reserve(list.size());
        for (qsizetype i = 0; i < list.size(); ++i)
            average.append(QPointF(list[i].x(), means[std::size_t(i)]));
        scores_[std::size_t(d)]->setPointsVisible(list.size() <= kMostVisiblePoints);
        // A lone challenge of a level is a point, not a line: drawn large and in full colour.
        averages_[std::size_t(d)]->setPointsVisible(list.size() == 1);
        scores_[std::size_t(d)]->replace(history::Thinned(list, kThinnedBuckets));
        averages_[std::size_t(d)]->replace(history::Thinned(average, kThinnedBuckets));
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime first = records_.empty() ? now.addDays(-1) : records_.front().ended;
    const QDateTime last = records_.empty() ? now : records_.back().ended;
    // A little room on both sides, so the first and the last point are not on the frame.
    const qint64 margin = std::max<qint64>(first.msecsTo(last) / 20, 60'000);
    timeAxis_->setRange(first.addMSecs(-margin), last.addMSecs(margin));
    timeAxis_->setFormat(history::TimeLabelFormat(first.msecsTo(last) + 2 * margin));
    SetScale(scoreAxis_, history::RoundScale(lowest, kHighest, kValueTicks));
    scoreView_->setAccessibleDescription(ScoresInWords(records_));
}

void HistoryWindow::refreshErrors()
{
    const auto errors =
        history::PitchClassErrors(records_, kErrorWindows[std::size_t(errorWindowChoice_->currentIndex())]);
    QList<qreal> signedValues, absoluteValues;
    double largest = 1;
    for (const auto& error : errors) {
        signedValues << error.meanSigned;
        absoluteValues << error.meanAbsolute;
        largest = std::max({largest, std::abs(error.meanSigned), error.meanAbsolute});
    }
    signedErrors_->remove(0, signedErrors_->count());
    signedErrors_->append(signedValues);
    absoluteErrors_->remove(0, absoluteErrors_->count());
    absoluteErrors_->append(absoluteValues);
    SetScale(errorAxis_, history::RoundScale(-largest, largest, kValueTicks));
    errorView_->setAccessibleDescription(ErrorsInWords(errors));
}

void HistoryWindow::refreshSummary()
{
    const history::Summary summary = history::Summarize(records_);
    if (summary.challenges == 0) {
        summaryLabel_->setText(QStringLiteral("まだ記録がありません。答え合わせをするたびに記録されます。"));
        return;
    }
    QStringList lines = {QStringLiteral("挑戦回数：%1回　練習時間の合計：%2")
                             .arg(summary.challenges)
                             .arg(game::DurationText(summary.practisedMs, QLocale::system()))};
    for (int d = 0; d < history::kDifficulties; ++d) {
        const auto& level = summary.byDifficulty[std::size_t(d)];
        if (level.challenges > 0)
            lines << QStringLiteral("%1：%2回　最高 %3点　中央値 %4点　最新 %5点")
                         .arg(game::LevelWord(d))
                         .arg(level.challenges)
                         .arg(level.best)
                         .arg(QString::number(level.median, 'g', 10))
                         .arg(level.latest);
    }
    if (summary.exams > 0)
        lines << QStringLiteral("検定：%1回　合格 %2回（合格率 %3%）")
                     .arg(summary.exams)
                     .arg(summary.examsPassed)
                     .arg(100 * summary.examsPassed / summary.exams);
    summaryLabel_->setText(lines.join(u'\n'));
}

void HistoryWindow::filterByMode()
{
    static const QStringList modes = {QString(), QStringLiteral("normal"), QStringLiteral("exam")};
    sorted_.setFilterFixedString(modes.value(modeChoice_->currentIndex()));
    if (sorted_.rowCount() > 0)
        challengeTable_->selectRow(0);
    else
        showDetail(-1);
}

void HistoryWindow::showDetail(int row)
{
    rowsTable_->clearContents();
    beatsTable_->clearContents();
    if (row < 0 || row >= sorted_.rowCount())
        return;
    const ChallengeRecord& record = model_.recordAt(sorted_.mapToSource(sorted_.index(row, 0)).row());
    history::Cents errors{};
    for (int k = 0; k < history::kPitchClasses; ++k) {
        errors[std::size_t(k)] = record.signedError(k);
        SetCell(rowsTable_, k, 0, game::PitchClassName(k));
        SetCell(rowsTable_, k, 1, game::CentsText(record.player[std::size_t(k)]));
        SetCell(rowsTable_, k, 2, game::CentsText(-record.detune[std::size_t(k)]));
        SetCell(rowsTable_, k, 3, game::CentsText(errors[std::size_t(k)]));
    }
    const BeatPartials partials = partialsOf_(record.instrument);
    const auto beats =
        history::BeatsOfTuning(errors, partials.offsets, game::MasterTuneCents(record.referencePitch));
    // The rates rest on the instrument's own partials only where the device tells them.
    beatsTable_->horizontalHeaderItem(3)->setToolTip(
        partials.known == PartialsKnown::FromInstrument
            ? QStringLiteral("この楽器の倍音で平均律にしたときのうなりです。")
            : QStringLiteral("教科書の値（倍音がちょうど整数倍のとき）です。今の音源ではこの楽器の倍音がわか"
                             "りません。"));
    for (int i = 0; i < history::kPitchClasses; ++i) {
        const auto& step = beats[std::size_t(i)];
        SetCell(beatsTable_, i, 0, history::StepName(i));
        SetCell(beatsTable_, i, 1, history::IntervalName(step.step.interval));
        SetCell(beatsTable_, i, 2, history::BeatRateText(step.player), step.wrongWay);
        SetCell(beatsTable_, i, 3, history::BeatRateText(step.equalTemperament));
        const QString wrongWay = step.step.interval == history::Interval::Fifth
                                     ? QStringLiteral("× 5度が広い")
                                     : QStringLiteral("× 4度が狭い");
        SetCell(beatsTable_, i, 4, step.wrongWay ? wrongWay : QString(), step.wrongWay);
    }
}

void HistoryWindow::exportCsv()
{
    auto* dialog = new QFileDialog(this, QStringLiteral("成績をCSVに書き出す"), history::DefaultCsvPath(),
                                   QStringLiteral("CSV ファイル (*.csv)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setWindowModality(Qt::WindowModal); // the game's windows stay usable
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &HistoryWindow::writeCsv);
    dialog->open();
}

void HistoryWindow::writeCsv(const QString& path)
{
    // The drills' trials follow the challenges as a table of their own, after an empty line.
    QByteArray csv = history::HistoryCsv(records_);
    if (!drillRecords_.empty())
        csv += "\r\n" + history::DrillCsv(drillRecords_);
    if (const auto written = game::WriteWholeFile(path, csv); !written)
        desktop_.messageBox(
            game::NotWrittenText(QStringLiteral("CSVファイルを書き出せませんでした。"), path,
                                 written.failure),
            QStringLiteral("書き込めるフォルダーか別の名前を選んで、もう一度書き出してください。"));
}

// ---- Recording ------------------------------------------------------------------------------

PlayHistory::PlayHistory(QStatusBar* statusBar, Desktop& desktop, game::Clock& clock,
                         PartialsOfInstrument partialsOf, QString path)
    : recorder_(std::move(path)), desktop_(desktop), clock_(clock), partialsOf_(std::move(partialsOf))
{
    notice_ = new QLabel(statusBar);
    notice_->hide();
    statusBar->addPermanentWidget(notice_);
    // Opening the file costs several milliseconds: spend them while the player is still listening.
    QTimer::singleShot(0, notice_, [this] { report(recorder_.prepare()); });
}

void PlayHistory::recordAnswerCheck(const game::CheckResult& result)
{
    ChallengeRecord record;
    record.started = result.started;
    record.ended = result.ended;
    record.difficulty = result.difficulty;
    record.instrument = result.instrument;
    record.device = result.device;
    record.referenceToneUsed = result.referenceToneUsed;
    record.beatWindowUsed = result.beatWindowUsed;
    record.player = result.player;
    for (std::size_t k = 0; k < record.detune.size(); ++k)
        record.detune[k] = -result.correct[k];
    record.score = result.score;
    record.elapsedMs = std::max<qint64>(result.started.msecsTo(result.ended), 0);
    record.examMinutes = result.examMinutes;
    record.examScore = result.examScore.score;
    record.examPassed = result.isExam() && result.examScore.passed();
    record.referencePitch = result.referencePitch;
    report(recorder_.record(record));
}

void PlayHistory::recordDrill(const history::DrillRecord& record)
{
    drillsWaiting_.push_back(record);
    history::Database database(recorder_.path(), history::kWaitDuringPlay);
    if (database.fault() == history::Fault::None && history::AppendDrillRecords(database, drillsWaiting_))
        drillsWaiting_.clear();
    if (window_ && window_->isVisible())
        window_->appendDrill(record);
}

void PlayHistory::report(const history::Recorder::Outcome& outcome)
{
    if (!outcome.movedAside.isEmpty())
        sayMovedAside(outcome);
    if (window_ && window_->isVisible() && !outcome.movedAside.isEmpty())
        window_->load(recorder_.path()); // what it showed came from the damaged file
    else if (window_ && !outcome.saved.empty())
        window_->append(outcome.saved);
    if (!outcome.unwritable || unwritableReported_)
        return;
    unwritableReported_ = true;
    notice_->setText(QStringLiteral("成績を記録できません（終了時に別のファイルへ書き出します）"));
    notice_->setToolTip(recorder_.path() + u'\n' + ReasonText(recorder_.failure()));
    notice_->show();
    QTimer::singleShot(kNoticeMs, notice_, &QLabel::hide);
}

void PlayHistory::sayMovedAside(const history::Recorder::Outcome& outcome)
{
    const QString copied =
        outcome.unwritable
            ? QStringLiteral(
                  "そこから読めた %1 件の記録は、新しい記録ファイルに書き込めるようになりしだい移します"
                  "（終了するときにも書き込めなければ、別のファイルに書き出します）。")
            : QStringLiteral("そこから読めた %1 件の記録は、新しい記録ファイルに移しました。");
    desktop_.messageBox(
        QStringLiteral("記録ファイルが壊れていたので、新しい記録ファイルを始めました。"),
        QStringLiteral("壊れたファイルは消さずに、次の名前で残してあります：\n%1\n").arg(outcome.movedAside) +
            copied.arg(outcome.readFromDamaged) +
            QStringLiteral("読めなかった記録は、残したファイルにしかありません。"));
}

namespace {

// Where the unsaved records went: a file, or each file tried with the system's reason.
struct UnsavedCsv {
    QString path;
    QStringList failures;
};

// Writes `records` as CSV to a new file in the first folder that takes it.
UnsavedCsv WriteUnsaved(const std::vector<history::ChallengeRecord>& records, const QStringList& folders,
                        const QDateTime& now)
{
    const QString name =
        QStringLiteral("velmora-unsaved-history-%1.csv").arg(now.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QByteArray csv = history::HistoryCsv(records);
    UnsavedCsv written;
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        const auto outcome = game::WriteWholeFile(path, csv);
        if (outcome) {
            written.path = path;
            break;
        }
        written.failures << game::NotWrittenText(QStringLiteral("書き出せなかったファイル："), path,
                                                 outcome.failure);
    }
    return written;
}

} // namespace

void PlayHistory::saveAtExit(const QString& folder)
{
    recorder_.flush(history::kWaitAtExit);
    const auto& records = recorder_.waitingRecords();
    if (records.empty())
        return;
    const UnsavedCsv written = WriteUnsaved(records, {folder, QDir::homePath()}, clock_.now());
    QStringList explanation = {game::NotWrittenText(QStringLiteral("記録ファイル："), recorder_.path(),
                                                    ReasonText(recorder_.failure()))};
    explanation << written.failures
                << QStringLiteral("このフォルダーに書き込めるか、ディスクに空きがあるかを確かめてください。");
    if (written.path.isEmpty())
        desktop_.messageBox(QStringLiteral("成績の記録 %1 件を保存できませんでした。").arg(records.size()),
                            explanation.join(u'\n'));
    else
        desktop_.messageBox(QStringLiteral("成績の記録 %1 件を記録ファイルに保存できませんでした。\n"
                                           "代わりに次のファイルに書き出しました：\n%2")
                                .arg(records.size())
                                .arg(written.path),
                            explanation.join(u'\n'));
}

void PlayHistory::showWindow()
{
    if (!window_) {
        window_ = std::make_unique<HistoryWindow>(desktop_, partialsOf_);
        if (placeWindow_)
            placeWindow_(window_.get());
    }
    if (!window_->isVisible())
        window_->load(recorder_.path());
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace windows
