// SPDX-License-Identifier: GPL-3.0-or-later
// The window "うなりの速さ比べ": plays a temperament check's two intervals one after the other on
// channel 1, asks which beat faster, and shows the rates and the player's threshold.
#pragma once

#include "game/BeatComparison.h"
#include "game/Clock.h"
#include "windows/BeatPartials.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <random>

namespace windows {

// What the window may do to the game, and nothing more.
struct ComparisonWindowLinks {
    // Note on (true) or off on channel 1.
    std::function<void(int note, bool on)> sound;
    // Channel 1's GS scale tuning, each pitch class's cents, C ... B.
    std::function<void(const game::PitchClassCents& cents)> tune;
    // Channel 1 back in the challenge's tuning.
    std::function<void()> restoreTuning;
    // The partials of the instrument that plays, as the device tells them.
    std::function<BeatPartials()> partials;
    // One trial is answered: the pair, the answer, right or wrong, the threshold estimate after it.
    std::function<void(const game::ComparisonTrial& trial, int chosen, bool right,
                       std::optional<double> threshold)>
        answered;
    std::mt19937* random = nullptr;
    game::Clock* clock = nullptr;
};

class ComparisonWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr qint64 kIntervalMs = 3000;
    static constexpr qint64 kPauseAfterAnswerMs = 1500;

    explicit ComparisonWindow(ComparisonWindowLinks links);
    ~ComparisonWindow() override;

    // The buttons "1" and "2" (and the keys 1 and 2): the player heard that one beat faster.
    void onAnswerClicked(int chosen);
    // "もう一度聴く": the pair again.
    void onReplayClicked();
    // Every 100 ms: the second interval after the first, the question after the second.
    void onClockTick();

    // The controls, for tests and the program object.
    QPushButton* answerButton(int chosen) const { return chosen == 0 ? firstButton_ : secondButton_; }
    QPushButton* replayButton() const { return replayButton_; }
    QLabel* questionLabel() const { return questionLabel_; }
    QLabel* resultLabel() const { return resultLabel_; }
    QLabel* thresholdLabel() const { return thresholdLabel_; }
    QTimer* clockTimer() const { return clockTimer_; }
    const game::BeatComparisonDrill* drill() const { return drill_.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Phase { Idle, First, Second, Asking, Answered };

    void startTrial();
    void playPair();
    void sound(int interval, bool on);
    void silence();
    void showPhase();
    void showResult(int chosen, bool right);

    ComparisonWindowLinks links_;
    std::unique_ptr<game::BeatComparisonDrill> drill_;
    Phase phase_ = Phase::Idle;
    QDateTime phaseStart_;
    bool tuned_ = false; // channel 1 has the drill's tuning, not the challenge's
    QLabel* introLabel_ = nullptr;
    QLabel* pairLabel_ = nullptr;
    QLabel* questionLabel_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QLabel* thresholdLabel_ = nullptr;
    QPushButton* firstButton_ = nullptr;
    QPushButton* secondButton_ = nullptr;
    QPushButton* replayButton_ = nullptr;
    QTimer* clockTimer_ = nullptr;
};

} // namespace windows
