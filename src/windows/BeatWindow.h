// SPDX-License-Identifier: GPL-3.0-or-later
// The window "うなりの聴き比べ": the twelve steps of the tuning order, each played as an interval on
// channel 1 in the current tuning, optionally with its coincident partial brought forward.
#pragma once

#include "game/Clock.h"
#include "history/Record.h"
#include "output/Port.h"
#include "windows/BeatPartials.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

namespace windows {

// What the window may do to the game, and nothing more.
struct BeatWindowLinks {
    // Note on (true) or off on channel 1, the channel the keyboard plays and the tuning applies to.
    std::function<void(int note, bool on)> sound;
    // Shows the main window's key for `note` as pressed or released.
    std::function<void(int note, bool held)> showKey;
    // Channel 1's tuning now, each pitch class's cents from equal temperament, C ... B.
    std::function<history::Cents()> tuning;
    // The partials of the instrument that plays, as the device tells them.
    std::function<BeatPartials()> partials;
    // The device's beat emphasis; null when the device makes its sound itself.
    std::function<output::BeatEmphasis*()> emphasis;
    // The window sounded an interval: the challenge's record says so.
    std::function<void()> used;
    // How far A4 lies from 440 Hz, in cents: every note sounds moved by it, and so do the beats.
    std::function<double()> pitchCents;
    // The time of the run, for how long an interval has sounded.
    game::Clock* clock = nullptr;
};

class BeatWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr qint64 kPlayMs = 4000;

    explicit BeatWindow(BeatWindowLinks links);

    // The button "再生" of step `step` (0 ... 11): starts the interval, or stops it while it plays.
    void onPlayClicked(int step);
    // Every 100 ms: ends an interval after its four seconds on the clock, and follows the device.
    void onClockTick();

    QPushButton* playButton(int step) const { return playButtons_[std::size_t(step)]; }
    // The equal-tempered beat of step `step` as the table shows it.
    QLabel* rateLabel(int step) const { return rateLabels_[std::size_t(step)]; }

    // The controls, for tests and the program object.
    QLabel* introLabel() const { return introLabel_; }
    QCheckBox* emphasisBox() const { return emphasisBox_; }
    QTimer* clockTimer() const { return clockTimer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* createSteps();
    void start(int step);
    void stop();
    // Puts the emphasis on the playing step's coincident partial, or takes it away.
    void followEmphasis();
    void followDevice();
    // The rates of the instrument that plays, and what they rest on.
    void followInstrument();

    BeatWindowLinks links_;
    std::array<QPushButton*, history::kPitchClasses> playButtons_{};
    std::array<QLabel*, history::kPitchClasses> rateLabels_{};
    std::optional<int> playing_; // the step sounding
    QDateTime playStart_;
    QLabel* introLabel_ = nullptr;
    QCheckBox* emphasisBox_ = nullptr;
    QTimer* clockTimer_ = nullptr;
};

} // namespace windows
