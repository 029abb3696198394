// SPDX-License-Identifier: GPL-3.0-or-later
// The window "成績の推移": every recorded challenge as charts, a summary and a table, the detail of
// one challenge with the beats of its tuning; and PlayHistory, which records each answer check.
#pragma once

#include "game/Clock.h"
#include "game/Score.h"
#include "history/DrillRecord.h"
#include "history/Recorder.h"
#include "history/Statistics.h"
#include "windows/BeatPartials.h"
#include "windows/Desktop.h"
#include "windows/DrillCharts.h"

#include <QAbstractTableModel>
#include <QBarSet>
#include <QComboBox>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QWidget>

#include <memory>
#include <vector>

class QChart;
class QChartView;
class QDateTimeAxis;
class QValueAxis;

namespace windows {

// The challenges newest first, for the table.
class ChallengeTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The role a column is sorted by: numbers and times as such, not as their texts.
    static constexpr int kSortRole = Qt::UserRole;
    // The role the mode filter reads: "exam" or "normal".
    static constexpr int kModeRole = Qt::UserRole + 1;

    explicit ChallengeTableModel(const std::vector<history::ChallengeRecord>& records) : records_(records) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The record shown in `row`.
    const history::ChallengeRecord& recordAt(int row) const;
    void reset(const std::function<void()>& change);

private:
    static QString text(const history::ChallengeRecord& record, int column);
    static QVariant sortKey(const history::ChallengeRecord& record, int column);

    const std::vector<history::ChallengeRecord>& records_;
};

// The partials of an instrument (as game::InstrumentName numbers it), for its beat rates.
using PartialsOfInstrument = std::function<BeatPartials(int instrument)>;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(
        Desktop& desktop, PartialsOfInstrument partialsOf = [](int) { return BeatPartials{}; });

    // Reads the whole history file again and shows it.
    void load(const QString& path);
    // Shows these records, oldest first.
    void setRecords(std::vector<history::ChallengeRecord> records);
    // Adds records just written, newest last.
    void append(const std::vector<history::ChallengeRecord>& records);
    // The practice drills' trials, oldest first; one just made, newest last.
    void setDrillRecords(std::vector<history::DrillRecord> records);
    void appendDrill(const history::DrillRecord& record);
    // The detail of the table's row `row` as it is sorted (0 = newest unless sorted otherwise).
    void showDetail(int row);
    // Asks where to save the CSV export, without blocking the other windows.
    void exportCsv();
    // Writes the CSV export to `path`; a box says why when it cannot.
    void writeCsv(const QString& path);

    const std::vector<history::ChallengeRecord>& records() const { return records_; }
    const std::vector<history::DrillRecord>& drillRecords() const { return drillRecords_; }
    DrillCharts* drillCharts() const { return drillCharts_; }
    QLineSeries* scoreSeries(int difficulty) const { return scores_[std::size_t(difficulty)]; }
    QLineSeries* averageSeries(int difficulty) const { return averages_[std::size_t(difficulty)]; }
    QBarSet* signedErrors() const { return signedErrors_; }
    QBarSet* absoluteErrors() const { return absoluteErrors_; }
    QComboBox* errorWindowChoice() const { return errorWindowChoice_; } // last 10, last 50, all
    QLabel* summaryLabel() const { return summaryLabel_; }
    QTableView* challengeTable() const { return challengeTable_; }
    QTableWidget* rowsTable() const { return rowsTable_; }
    QTableWidget* beatsTable() const { return beatsTable_; }
    QPushButton* exportButton() const { return exportButton_; }
    // Which challenges the table lists: all, the normal game's, the exams'.
    QComboBox* modeChoice() const { return modeChoice_; }

private:
    void fitOnScreen(QSize preferred, QSize smallest);
    QWidget* createScoreChart();
    QWidget* createErrorChart();
    QWidget* createDetail();
    void refresh();
    void refreshScores();
    void refreshErrors();
    void refreshSummary();
    void filterByMode();

    Desktop& desktop_;
    PartialsOfInstrument partialsOf_;
    std::vector<history::ChallengeRecord> records_;
    std::vector<history::DrillRecord> drillRecords_;
    DrillCharts* drillCharts_ = nullptr;
    QComboBox* errorWindowChoice_ = nullptr;
    QLabel* summaryLabel_ = nullptr;
    QTableView* challengeTable_ = nullptr;
    QTableWidget* rowsTable_ = nullptr;
    QTableWidget* beatsTable_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    ChallengeTableModel model_{records_};
    QSortFilterProxyModel sorted_; // the table's order: by the column the player chose
    std::array<QLineSeries*, history::kDifficulties> scores_{};
    std::array<QLineSeries*, history::kDifficulties> averages_{};
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* scoreAxis_ = nullptr;
    QValueAxis* errorAxis_ = nullptr;
    QChartView* scoreView_ = nullptr;
    QChartView* errorView_ = nullptr;
    QBarSet* signedErrors_ = nullptr;
    QBarSet* absoluteErrors_ = nullptr;
    QComboBox* modeChoice_ = nullptr;
};

// The player's history for one run: records each answer check, reports trouble with the file once
// in the status bar, and opens the window.
class PlayHistory {
public:
    PlayHistory(QStatusBar* statusBar, Desktop& desktop, game::Clock& clock, PartialsOfInstrument partialsOf,
                QString path = history::DefaultHistoryPath());

    // Records the challenge just checked.
    void recordAnswerCheck(const game::CheckResult& result);
    // Records a practice drill's trial. One the file will not take waits for the next.
    void recordDrill(const history::DrillRecord& record);
    // `place` is handed the window when it is made, before it first shows.
    void placeWindowWith(std::function<void(QWidget*)> place) { placeWindow_ = std::move(place); }
    void showWindow();
    HistoryWindow* window() const { return window_.get(); }
    // The end of the run: one last attempt with a longer wait; what still cannot be written goes
    // to a CSV file in `folder` (or the home folder), and a box says how many records and where.
    void saveAtExit(const QString& folder);

private:
    void report(const history::Recorder::Outcome& outcome);
    // A damaged file moved aside: where it went and how many of its records were kept, in a box.
    void sayMovedAside(const history::Recorder::Outcome& outcome);

    history::Recorder recorder_;
    Desktop& desktop_;
    game::Clock& clock_;
    PartialsOfInstrument partialsOf_;
    std::unique_ptr<HistoryWindow> window_;
    std::function<void(QWidget*)> placeWindow_;
    QLabel* notice_ = nullptr; // owned by the status bar
    bool unwritableReported_ = false;
    std::vector<history::DrillRecord> drillsWaiting_;
};

} // namespace windows
