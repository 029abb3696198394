// SPDX-License-Identifier: GPL-3.0-or-later
// The results window "正解表示": both tunings or the accuracy chart, the score, an exam's score by the
// examiners' rule, retry, quit, the board, the clipboard report.
#pragma once

#include "game/Session.h"
#include "game/Sound.h"
#include "ui/Controls.h"
#include "windows/Desktop.h"
#include "windows/ErrorChart.h"

#include <QLabel>
#include <QWidget>

#include <array>
#include <vector>

namespace windows {

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    // `boardAddress`: the results board from the settings file; empty, the board button is disabled.
    // Shows the session's challenge as it stands, and each challenge the session starts after.
    ResultsWindow(game::Sound& sound, game::Session& session, Desktop& desktop, const QString& boardAddress);

    // Both tunings and the score of a check, in front.
    void showResult(const game::CheckResult& result);

    void onRetryPressed();
    void onRetryReleased();
    void onRetryClicked();
    void onClipboardClicked();
    void onBoardClicked();
    // The chart button: the chart in place of the table, or the table again.
    void onChartToggled(bool chart);

    // The player's tuning of pitch class 0 ... 11.
    QLabel* PlayerCell(int pitchClass) const { return cells_[std::size_t(pitchClass)]; }
    // The correct tuning of pitch class 0 ... 11.
    QLabel* CorrectCell(int pitchClass) const { return cells_[std::size_t(12 + pitchClass)]; }

    // The controls, for tests and the program object.
    QLabel* scoreLabel() const { return scoreLabel_; }
    ui::Button* quitButton() const { return quitButton_; }
    ui::Button* retryButton() const { return retryButton_; }
    ui::Button* clipboardButton() const { return clipboardButton_; }
    ui::Button* boardButton() const { return boardButton_; }
    ui::Button* chartButton() const { return chartButton_; } // 誤差のグラフ(G), checkable
    ErrorChart* errorChart() const { return errorChart_; }
    // "検定式の得点：97.5点　合格" and the time limit and time used; hidden outside an exam.
    QLabel* examLabel() const { return examLabel_; }

signals:
    void quitRequested();

protected:
    // The close box or Alt+F4: the next challenge, with channel 1 silenced.
    void closeEvent(QCloseEvent* event) override;

private:
    void createTable();
    void createScore();
    void createButtons();
    void showChallenge();
    void showExam(const game::CheckResult& result);

    game::Sound& sound_;
    Desktop& desktop_;
    game::Session& session_;
    std::array<QLabel*, 24> cells_{};
    std::vector<QLabel*> table_; // the cells, their note names and column heads
    QString boardAddress_;
    bool retryPressed_ = false; // a mouse press on "もう一度挑戦" started the challenge
    QLabel* scoreLabel_ = nullptr;
    ui::Button* quitButton_ = nullptr;
    ui::Button* retryButton_ = nullptr;
    ui::Button* clipboardButton_ = nullptr;
    ui::Button* boardButton_ = nullptr;
    ui::Button* chartButton_ = nullptr;
    ErrorChart* errorChart_ = nullptr;
    QLabel* examLabel_ = nullptr;
};

} // namespace windows
