// SPDX-License-Identifier: GPL-3.0-or-later
// ResultsWindow, the results window: both tunings, the score, retry, quit, the board, and the clipboard
// report.
#pragma once

#include "game/Challenge.h"
#include "game/ReportLog.h"
#include "ui/Controls.h"

#include <QLabel>
#include <QWidget>

#include <array>

// The results bulletin board: a script address with an empty query; nothing is appended.
inline constexpr char kResultsBoardAddress[] = "https://velmora.example/board/results.cgi?";

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    ResultsWindow();
    void startUp();

    void onQuitClicked();
    void onRetryPressed();
    void onRetryReleased();
    void onRetryClicked();
    void onClipboardClicked();
    void onBoardClicked();
    void onClosed();

    // The player's tuning of pitch class 0 ... 11.
    QLabel* PlayerCell(int pitchClass) const { return cells_[std::size_t(pitchClass)]; }
    // The correct tuning of pitch class 0 ... 11.
    QLabel* CorrectCell(int pitchClass) const { return cells_[std::size_t(12 + pitchClass)]; }

    // The columns are the only record of both tunings: the sliders write the player's cells, a new
    // challenge the correct column (the detuning negated), and the answer check and the report
    // read both back as the texts they show.
    void showPlayerCents(int pitchClass, int cents);
    void showCorrectTuning(const game::DetuneArray& detune);
    QStringList playerColumn() const;
    QStringList correctColumn() const;
    // scoreLabel := the score of the two columns.
    void showScore();

    QLabel* scoreLabel = nullptr;
    ui::Button* quitButton = nullptr;
    ui::Button* retryButton = nullptr;
    ui::Button* clipboardButton = nullptr;
    ui::Button* boardButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QStringList column(int firstCell) const;
    void createTable();
    void createScore();
    void createButtons();

    std::array<QLabel*, 24> cells_{};
    game::ReportLog reportLog_; // every report of the run, for the clipboard
};

extern ResultsWindow* theResultsWindow;
