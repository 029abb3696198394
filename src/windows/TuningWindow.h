// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning window "調整": twelve sliders, one per pitch class, the answer button and the check run.
#pragma once

#include "game/Challenge.h"
#include "game/Session.h"
#include "ui/Controls.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <array>

namespace windows {

class TuningWindow : public QWidget {
    Q_OBJECT
public:
    explicit TuningWindow(game::Session& session);
    void startUp();

    // The player moved the slider of `pitchClass` (0 = C ... 11 = B).
    void onSliderMoved(int pitchClass);
    void onAnswerClicked();
    void onCheckRunTick();
    // An exam's clock: the time left, and the answer checked when it is up.
    void onExamTick();

    ui::ScrollBar* slider(int pitchClass) const { return sliders_[std::size_t(pitchClass)]; }

    // The controls, for tests and the program object.
    ui::Button* answerButton() const { return answerButton_; }
    QTimer* checkRunTimer() const { return checkRunTimer_; }
    QLabel* examTimeLabel() const { return examTimeLabel_; } // "残り 19:59" in an exam
    QTimer* examTimer() const { return examTimer_; }

protected:
    // The close request is refused, always.
    void closeEvent(QCloseEvent* event) override;

private:
    void showChallenge();
    void showPosition(int pitchClass);
    void showExamTime();

    game::Session& session_;
    std::array<QLabel*, 12> labels_{};
    std::array<ui::ScrollBar*, 12> sliders_{};
    ui::Button* answerButton_ = nullptr;
    QTimer* checkRunTimer_ = nullptr;
    QLabel* examTimeLabel_ = nullptr;
    QTimer* examTimer_ = nullptr;
};

} // namespace windows
