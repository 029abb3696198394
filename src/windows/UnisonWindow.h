// SPDX-License-Identifier: GPL-3.0-or-later
// The window "ユニゾン": one key as two strings, the second off by a hidden amount; the player
// moves a fine slider until the beat is gone and checks.
#pragma once

#include "game/Clock.h"
#include "game/UnisonDrill.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <random>

namespace windows {

// How the device makes the second string, for the window to say.
enum class SecondString {
    ChannelFineTuning, // the same note on a spare channel, its registered fine tuning
    BuiltInTenths,     // the built-in synthesizer's tuning piano: that fine tuning, to a tenth
    BuiltInWholeCents, // the built-in synthesizer's SoundFont: that fine tuning, in whole cents
};

// What the window may do to the game, and nothing more.
struct UnisonWindowLinks {
    // Channel 1 in equal temperament and the second string's channel on the instrument that plays.
    std::function<void()> prepare;
    // Both strings of `key` on (true) or off.
    std::function<void(int key, bool on)> sound;
    // The second string this many cents from the first.
    std::function<void(double cents)> tuneSecond;
    // Channel 1 back in the challenge's tuning.
    std::function<void()> restoreTuning;
    std::function<SecondString()> secondString;
    // One trial is checked.
    std::function<void(const game::UnisonCheck& check)> checked;
    std::mt19937* random = nullptr;
    game::Clock* clock = nullptr;
};

class UnisonWindow : public QWidget {
    Q_OBJECT
public:
    // A held organ would drone on: the strings stop after this long.
    static constexpr qint64 kSoundMs = 8000;

    explicit UnisonWindow(UnisonWindowLinks links);

    // The slider "調整": the second string follows at once.
    void onSliderMoved(int tenths);
    // "確認": the error and the beat it leaves, then the next trial.
    void onCheckClicked();
    // "鳴らす": both strings again.
    void onPlayClicked();
    // Every 100 ms: ends the strings after their time.
    void onClockTick();

    // The controls, for tests and the program object.
    QComboBox* keyBox() const { return keyBox_; }
    QComboBox* difficultyBox() const { return difficultyBox_; }
    QSlider* slider() const { return slider_; }
    QPushButton* checkButton() const { return checkButton_; }
    QPushButton* playButton() const { return playButton_; }
    QLabel* resultLabel() const { return resultLabel_; }
    QLabel* methodLabel() const { return methodLabel_; }
    QTimer* clockTimer() const { return clockTimer_; }
    const game::UnisonDrill& drill() const { return drill_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void startTrial();
    void play();
    void silence();
    void showSlider();

    UnisonWindowLinks links_;
    game::UnisonDrill drill_;
    bool sounding_ = false;
    bool prepared_ = false;
    QDateTime soundStart_;
    QComboBox* keyBox_ = nullptr;
    QComboBox* difficultyBox_ = nullptr;
    QSlider* slider_ = nullptr;
    QLabel* sliderLabel_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* checkButton_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QLabel* methodLabel_ = nullptr;
    QTimer* clockTimer_ = nullptr;
};

} // namespace windows
