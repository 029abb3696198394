// SPDX-License-Identifier: GPL-3.0-or-later
// The beat-speed comparison window: the drill's trials played on the clock, answered by button or
// by the keys 1 and 2.
#include "windows/ComparisonWindow.h"

#include "ui/Controls.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace windows {

namespace {

QString PercentText(double share)
{
    return QStringLiteral("%1 %").arg(share * 100, 0, 'f', 1);
}

QString RateText(const game::ComparisonTrial& trial, int interval)
{
    return QStringLiteral("%1: %2 %3 Hz")
        .arg(interval + 1)
        .arg(game::IntervalText(trial.intervals[std::size_t(interval)]))
        .arg(trial.rates[std::size_t(interval)], 0, 'f', 2);
}

} // namespace

ComparisonWindow::ComparisonWindow(ComparisonWindowLinks links) : links_(std::move(links))
{
    setWindowTitle(QStringLiteral("うなりの速さ比べ"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);
    introLabel_ = new QLabel(QStringLiteral("調律で確かめる2つの音程を、3秒ずつ順に鳴らします。"
                                            "ひとつの音だけが少しずれていて、うなりの速さが違います。"));
    introLabel_->setWordWrap(true);
    pairLabel_ = new QLabel;
    questionLabel_ = new QLabel(QStringLiteral("どちらが速くうなりましたか？"));
    firstButton_ = new ui::Button(QStringLiteral("1"));
    secondButton_ = new ui::Button(QStringLiteral("2"));
    firstButton_->setAccessibleName(QStringLiteral("1番目が速い"));
    secondButton_->setAccessibleName(QStringLiteral("2番目が速い"));
    replayButton_ = new ui::Button(QStringLiteral("もう一度聴く(&R)"));
    connect(firstButton_, &QPushButton::clicked, this, [this] { onAnswerClicked(0); });
    connect(secondButton_, &QPushButton::clicked, this, [this] { onAnswerClicked(1); });
    connect(replayButton_, &QPushButton::clicked, this, &ComparisonWindow::onReplayClicked);
    resultLabel_ = new QLabel;
    resultLabel_->setWordWrap(true);
    thresholdLabel_ = new QLabel;
    auto* answers = new QHBoxLayout;
    answers->addWidget(firstButton_);
    answers->addWidget(secondButton_);
    answers->addStretch();
    answers->addWidget(replayButton_);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* label : {introLabel_, pairLabel_, questionLabel_})
        layout->addWidget(label);
    layout->addLayout(answers);
    layout->addWidget(resultLabel_);
    layout->addWidget(thresholdLabel_);
    // Room for the result's four lines from the start: the window keeps its size after an answer.
    resultLabel_->setMinimumHeight(resultLabel_->fontMetrics().lineSpacing() * 4);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumWidth(fontMetrics().horizontalAdvance(introLabel_->text()) / 2);
    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(100);
    connect(clockTimer_, &QTimer::timeout, this, &ComparisonWindow::onClockTick);
    showPhase();
}

ComparisonWindow::~ComparisonWindow() = default;

void ComparisonWindow::startTrial()
{
    if (!drill_)
        drill_ = std::make_unique<game::BeatComparisonDrill>(*links_.random, links_.partials().offsets);
    else {
        drill_->setPartials(links_.partials().offsets);
        drill_->nextTrial();
    }
    playPair();
}

void ComparisonWindow::playPair()
{
    silence();
    // Sent before every pair, the same again too: a device switched, a slider moved in the
    // adjustment window or a returned device meanwhile has channel 1 in the challenge's tuning.
    links_.tune(drill_->trial().tuning());
    tuned_ = true;
    phase_ = Phase::First;
    phaseStart_ = links_.clock->now();
    sound(0, true);
    showPhase();
}

void ComparisonWindow::sound(int interval, bool on)
{
    const game::BeatingInterval& notes = drill_->trial().intervals[std::size_t(interval)];
    links_.sound(notes.lower, on);
    links_.sound(notes.upper, on);
}

void ComparisonWindow::silence()
{
    if (phase_ == Phase::First)
        sound(0, false);
    else if (phase_ == Phase::Second)
        sound(1, false);
}

void ComparisonWindow::onClockTick()
{
    const qint64 elapsed = phaseStart_.msecsTo(links_.clock->now());
    if (phase_ == Phase::First && elapsed >= kIntervalMs) {
        sound(0, false);
        phase_ = Phase::Second;
        phaseStart_ = links_.clock->now();
        sound(1, true);
        showPhase();
    } else if (phase_ == Phase::Second && elapsed >= kIntervalMs) {
        sound(1, false);
        phase_ = Phase::Asking;
        showPhase();
    } else if (phase_ == Phase::Answered && elapsed >= kPauseAfterAnswerMs) {
        startTrial();
    }
}

void ComparisonWindow::onAnswerClicked(int chosen)
{
    if (phase_ != Phase::Asking)
        return;
    const bool right = drill_->answer(chosen);
    if (links_.answered)
        links_.answered(drill_->trial(), chosen, right, drill_->staircase().threshold());
    showResult(chosen, right);
    phase_ = Phase::Answered;
    phaseStart_ = links_.clock->now();
    showPhase();
}

void ComparisonWindow::onReplayClicked()
{
    if (drill_ && phase_ == Phase::Asking)
        playPair();
}

void ComparisonWindow::showResult(int chosen, bool right)
{
    const game::ComparisonTrial& trial = drill_->trial();
    resultLabel_->setText(QStringLiteral("%1（%2を選びました）\n%3\n%4\n%5番目が %6 速い（%7）")
                              .arg(right ? QStringLiteral("正解") : QStringLiteral("不正解"))
                              .arg(chosen + 1)
                              .arg(RateText(trial, 0), RateText(trial, 1))
                              .arg(trial.faster() + 1)
                              .arg(PercentText(trial.actualDifference()))
                              .arg(game::ComparisonKindName(trial.kind)));
}

void ComparisonWindow::showPhase()
{
    const bool asking = phase_ == Phase::Asking;
    firstButton_->setEnabled(asking);
    secondButton_->setEnabled(asking);
    replayButton_->setEnabled(asking);
    questionLabel_->setText(asking ? QStringLiteral("どちらが速くうなりましたか？")
                                   : QStringLiteral("♪ 聴いてください"));
    if (drill_) {
        const game::ComparisonTrial& trial = drill_->trial();
        const QString playing = phase_ == Phase::First    ? QStringLiteral("　♪ 1番目")
                                : phase_ == Phase::Second ? QStringLiteral("　♪ 2番目")
                                                          : QString();
        pairLabel_->setText(QStringLiteral("1: %1　2: %2%3")
                                .arg(game::IntervalText(trial.intervals[0]),
                                     game::IntervalText(trial.intervals[1]), playing));
    }
    const auto threshold = drill_ ? drill_->staircase().threshold() : std::nullopt;
    thresholdLabel_->setText(
        QStringLiteral("聞き分けられる差（推定）: %1　試行: %2回　いまの差: %3")
            .arg(threshold ? PercentText(*threshold) : QStringLiteral("まだ出ていません"))
            .arg(drill_ ? drill_->answered() : 0)
            .arg(PercentText(drill_ ? drill_->staircase().difference() : game::Staircase::kStart)));
}

// The digits play no piano key, so they are free to answer with; the buttons pass them on here.
void ComparisonWindow::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_1 || event->key() == Qt::Key_2) && !event->isAutoRepeat())
        onAnswerClicked(event->key() == Qt::Key_1 ? 0 : 1);
    else
        QWidget::keyPressEvent(event);
}

// The drill sounds only while the window is shown, and leaves channel 1 as the challenge had it.
void ComparisonWindow::showEvent(QShowEvent* event)
{
    clockTimer_->start();
    if (phase_ == Phase::Idle || phase_ == Phase::Answered)
        startTrial();
    else
        playPair();
    QWidget::showEvent(event);
}

void ComparisonWindow::hideEvent(QHideEvent* event)
{
    silence();
    if (phase_ == Phase::First || phase_ == Phase::Second)
        phase_ = Phase::Idle;
    clockTimer_->stop();
    if (tuned_) {
        links_.restoreTuning();
        tuned_ = false;
    }
    QWidget::hideEvent(event);
}

} // namespace windows
