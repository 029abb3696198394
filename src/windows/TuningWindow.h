// SPDX-License-Identifier: GPL-3.0-or-later
// TuningWindow, the adjustment window: NewChallenge, SendScaleTuning, the sliders, the answer check.
#pragma once

#include "game/Challenge.h"
#include "port/ProgramState.h"
#include "ui/Controls.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include <array>

class TuningWindow : public QWidget {
    Q_OBJECT
public:
    TuningWindow();
    void startUp();

    // slider<row>Change: the change handling of slider `row` (1 = C ... 12 = B).
    void onSliderMoved(int row);
    void onAnswerClicked();
    void onCheckRunTick();

    ui::ScrollBar* slider(int row) const { return sliders_[std::size_t(row - 1)]; }
    // The twelve slider positions, C ... B.
    game::SliderPositions sliderPositions() const;

    // A new challenge: every slider takes the range, then goes back to 0; a slider whose position
    // changes runs its change handling.
    void setSliderRange(game::SliderRange range);
    void resetSliders();
    // The answer controls: the answer check disables the button and the sliders; the next challenge
    // enables the button before it draws and the sliders after.
    void disableAnswerControls();
    void enableAnswerButton();
    void enableSliders();

    ui::Button* answerButton = nullptr;
    QTimer* checkRunTimer = nullptr;

protected:
    // The close request is refused, always.
    void closeEvent(QCloseEvent* event) override;

private:
    std::array<QLabel*, 12> labels_{};
    std::array<ui::ScrollBar*, 12> sliders_{};
};

extern TuningWindow* theTuningWindow;

// The selected item of the difficulty dialog, read afresh at every use.
int Difficulty();

// Draws and sends a new challenge for the current difficulty and resets the sliders.
void NewChallenge();
// Re-sends the scale tuning: the detuning plus the player's corrections.
void SendScaleTuning();
