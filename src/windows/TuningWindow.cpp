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
    for (int pitchClass = 0; pitchClass < game::kPitchClasses; ++pitchClass) {
        const int top = 24 + 32 * pitchClass;
        auto* label = new QLabel(game::PitchClassName(pitchClass), this);
        // Level with its slider: a screen shows which row the name belongs to.
        label->setGeometry(0, top, 24, 17);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        labels_[std::size_t(pitchClass)] = label;
        auto* bar = new ui::ScrollBar(this, {24, top, 137, 17}, -32, 31);
        bar->setObjectName(QStringLiteral("slider%1").arg(pitchClass));
        bar->describe(game::PitchClassName(pitchClass),
                      [this] { return game::StepCents(session_.difficulty()); });
        connect(bar, &ui::ScrollBar::changed, this, [this, pitchClass] { onSliderMoved(pitchClass); });
        sliders_[std::size_t(pitchClass)] = bar;
    }
    answerButton_ = new ui::Button(this, QStringLiteral("答え合わせ"), {40, 416, 105, 25});
    connect(answerButton_, &QPushButton::clicked, this, &TuningWindow::onAnswerClicked);
    // Tab order: the sliders C ... B, then the button; the first slider has the focus at first.
    for (std::size_t next = 1; next < sliders_.size(); ++next)
        setTabOrder(sliders_[next - 1], sliders_[next]);
    examTimeLabel_ = new QLabel(this);
    examTimeLabel_->setGeometry(8, 450, 169, 17);
    examTimeLabel_->setAlignment(Qt::AlignCenter);
    examTimeLabel_->setAccessibleName(QStringLiteral("検定の残り時間"));
    ui::KeepPlaceWhenHidden(examTimeLabel_);
    examTimeLabel_->hide();
    setTabOrder(sliders_.back(), answerButton_);
    sliders_.front()->setFocus();
    ui::ShowFocus(this);
    ui::KeepDesign(this);
    checkRunTimer_ = new QTimer(this);
    checkRunTimer_->setInterval(200);
    connect(checkRunTimer_, &QTimer::timeout, this, &TuningWindow::onCheckRunTick);
    checkRunTimer_->start();
    // Four times a second: the label turns over on the second, the check is late by a quarter at most.
    examTimer_ = new QTimer(this);
    examTimer_->setInterval(250);
    connect(examTimer_, &QTimer::timeout, this, &TuningWindow::onExamTick);
    connect(&session_, &game::Session::positionChanged, this, &TuningWindow::showPosition);
    connect(&session_, &game::Session::challengeStarted, this, &TuningWindow::showChallenge);
    connect(&session_, &game::Session::answerChecked, this, [this] {
        answerButton_->setEnabled(false);
        for (auto* bar : sliders_)
            bar->setEnabled(false);
        examTimer_->stop();
        showExamTime();
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
    answerButton_->setEnabled(true);
    session_.examActive() ? examTimer_->start() : examTimer_->stop();
    showExamTime();
}

void TuningWindow::onExamTick()
{
    session_.checkAnswerIfTimeIsUp();
    showExamTime();
}

// Whole seconds, rounded up: the label reads 0:00 only when the time is up. The title gives whole
// minutes, once a minute: window lists and task bars show it without a new title every second.
void TuningWindow::showExamTime()
{
    examTimeLabel_->setVisible(session_.examActive());
    if (!session_.examActive()) {
        setWindowTitle(QStringLiteral("調整"));
        return;
    }
    const qint64 seconds = (session_.examRemainingMs() + 999) / 1000;
    setWindowTitle(session_.answerIsChecked() ? QStringLiteral("調整 検定終了")
                                              : QStringLiteral("調整 残り%1分").arg((seconds + 59) / 60));
    const QString time = QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    const QString text = session_.answerIsChecked() ? QStringLiteral("検定終了（残り %1）").arg(time)
                                                    : QStringLiteral("残り %1").arg(time);
    if (text == examTimeLabel_->text())
        return;
    examTimeLabel_->setText(text);
    examTimeLabel_->setAccessibleDescription(
        QStringLiteral("検定の残り時間 %1分%2秒").arg(seconds / 60).arg(seconds % 60));
}

void TuningWindow::showPosition(int pitchClass)
{
    auto* bar = sliders_[std::size_t(pitchClass)];
    const QSignalBlocker quiet(bar);
    const game::SliderRange range = session_.sliderRange();
    bar->setRange(range.minimum, range.maximum);
    bar->setValue(session_.positions()[std::size_t(pitchClass)]);
}

void TuningWindow::onSliderMoved(int pitchClass)
{
    session_.moveSlider(pitchClass, slider(pitchClass)->value());
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
