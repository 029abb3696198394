// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning window "調整": the sliders, the answer check and the check run.
#include "windows/TuningWindow.h"

#include "ui/DesignLayout.h"

#include <QCloseEvent>
#include <QLabel>

namespace windows {

TuningWindow::TuningWindow(game::Session& session) : session_(session)
{
    setWindowTitle(QStringLiteral("調整"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    resize(185, 485);
    for (int row = 1; row <= game::kPitchClasses; ++row) {
        const int top = 24 + 32 * (row - 1);
        labels_[std::size_t(row - 1)] = new QLabel(game::PitchClassName(row - 1), this);
        // Level with its slider: a screen shows which row the name belongs to.
        labels_[std::size_t(row - 1)]->setGeometry(0, top, 24, 17);
        labels_[std::size_t(row - 1)]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        auto* bar = new ui::ScrollBar(this, {24, top, 137, 17}, -32, 31);
        bar->setObjectName(QStringLiteral("slider%1").arg(row));
        bar->describe(game::PitchClassName(row - 1),
                      [this] { return game::StepCents(session_.difficulty()); });
        connect(bar, &ui::ScrollBar::changed, this, [this, row] { onSliderMoved(row); });
        sliders_[std::size_t(row - 1)] = bar;
    }
    answerButton = new ui::Button(this, QStringLiteral("答え合わせ"), {40, 416, 105, 25});
    connect(answerButton, &QPushButton::clicked, this, &TuningWindow::onAnswerClicked);
    // Tab order: the sliders C ... B, then the button; the first slider has the focus at first.
    for (int row = 1; row < game::kPitchClasses; ++row)
        setTabOrder(slider(row), slider(row + 1));
    setTabOrder(slider(game::kPitchClasses), answerButton);
    slider(1)->setFocus();
    ui::ShowFocus(this);
    ui::KeepDesign(this);
    checkRunTimer = new QTimer(this);
    checkRunTimer->setInterval(200);
    connect(checkRunTimer, &QTimer::timeout, this, &TuningWindow::onCheckRunTick);
    checkRunTimer->start();
    connect(&session_, &game::Session::positionChanged, this, &TuningWindow::showPosition);
    connect(&session_, &game::Session::challengeStarted, this, &TuningWindow::showChallenge);
    connect(&session_, &game::Session::answerChecked, this, [this] {
        answerButton->setEnabled(false);
        for (auto* bar : sliders_)
            bar->setEnabled(false);
    });
}

void TuningWindow::startUp()
{
    show();
}

// The range first (a clamped slider moves with the session), then the positions.
void TuningWindow::showChallenge()
{
    const game::SliderRange range = session_.sliderRange();
    for (int k = 0; k < game::kPitchClasses; ++k) {
        auto* bar = sliders_[std::size_t(k)];
        const QSignalBlocker quiet(bar);
        bar->setRange(range.minimum, range.maximum);
        bar->setValue(session_.positions()[std::size_t(k)]);
        bar->setEnabled(true);
    }
    answerButton->setEnabled(true);
}

void TuningWindow::showPosition(int pitchClass)
{
    auto* bar = sliders_[std::size_t(pitchClass)];
    const QSignalBlocker quiet(bar);
    const game::SliderRange range = session_.sliderRange();
    bar->setRange(range.minimum, range.maximum);
    bar->setValue(session_.positions()[std::size_t(pitchClass)]);
}

void TuningWindow::onSliderMoved(int row)
{
    session_.moveSlider(row - 1, slider(row)->value());
}

void TuningWindow::onAnswerClicked()
{
    session_.checkAnswer();
}

void TuningWindow::onCheckRunTick()
{
    session_.playCheckRunStep();
}

void TuningWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

} // namespace windows
