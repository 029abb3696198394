// SPDX-License-Identifier: GPL-3.0-or-later
// The unison window: the drill's trials, the slider in tenths of a cent, the check's figures.
#include "windows/UnisonWindow.h"

#include "game/Challenge.h"
#include "ui/Controls.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace windows {

namespace {

QString SignedCents(double cents)
{
    return QStringLiteral("%1%2 セント")
        .arg(cents > 0.04 ? QStringLiteral("+") : QString())
        .arg(cents, 0, 'f', 1);
}

QString MethodText(SecondString way)
{
    switch (way) {
    case SecondString::ChannelFineTuning:
        return QStringLiteral("2本目の弦は、同じ音をMIDIチャンネル3で同じ楽器に鳴らし、"
                              "チャンネルのファインチューン（RPN 0/1）でずらしています。");
    case SecondString::BuiltInTenths:
        return QStringLiteral("2本目の弦は、同じ音をMIDIチャンネル3で調律用ピアノに鳴らし、"
                              "内蔵シンセサイザーがチャンネルのファインチューン（RPN 0/1）の"
                              "ずれを0.1セント単位で正確に鳴らしています。");
    case SecondString::BuiltInWholeCents:
        return QStringLiteral("2本目の弦は、同じ音をMIDIチャンネル3で鳴らしています。"
                              "内蔵シンセサイザーはこの楽器ではずれを近い1セントに丸めて鳴らすため、"
                              "0.1セントの調整は聞こえる音に正確には表れません（差は0.5セント以内）。"
                              "0.1セント単位で聴くには、楽器を調律用ピアノにしてください。");
    }
    return {};
}

} // namespace

UnisonWindow::UnisonWindow(UnisonWindowLinks links) : links_(std::move(links)), drill_(*links_.random)
{
    setWindowTitle(QStringLiteral("ユニゾン"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);
    auto* intro =
        new QLabel(QStringLiteral("ひとつの鍵盤を2本の弦で鳴らします。2本目の弦が少しずれています。"
                                  "うなりが消えるまで「調整」を動かし、「確認」を押してください。"));
    intro->setWordWrap(true);
    keyBox_ = new QComboBox;
    keyBox_->addItem(QStringLiteral("ランダム"));
    for (int key = game::kUnisonLowestKey; key <= game::kUnisonHighestKey; ++key)
        keyBox_->addItem(game::NoteName(key), key);
    difficultyBox_ = new QComboBox;
    for (int reach : game::kUnisonReachCents)
        difficultyBox_->addItem(QStringLiteral("±%1 セント以内").arg(reach));
    slider_ = new QSlider(Qt::Horizontal);
    slider_->setRange(-game::kUnisonSliderTenths, game::kUnisonSliderTenths);
    slider_->setSingleStep(1);
    slider_->setPageStep(10);
    slider_->setAccessibleName(QStringLiteral("調整"));
    slider_->setMinimumWidth(400);
    sliderLabel_ = new QLabel;
    playButton_ = new ui::Button(QStringLiteral("鳴らす(&P)"));
    checkButton_ = new ui::Button(QStringLiteral("確認(&C)"));
    resultLabel_ = new QLabel;
    methodLabel_ = new QLabel;
    methodLabel_->setWordWrap(true);
    connect(slider_, &QSlider::valueChanged, this, &UnisonWindow::onSliderMoved);
    connect(playButton_, &QPushButton::clicked, this, &UnisonWindow::onPlayClicked);
    connect(checkButton_, &QPushButton::clicked, this, &UnisonWindow::onCheckClicked);
    // A new key or difficulty takes effect with a new trial, at once.
    connect(keyBox_, &QComboBox::currentIndexChanged, this, [this] {
        const QVariant key = keyBox_->currentData();
        drill_.chooseKey(key.isValid() ? std::optional(key.toInt()) : std::nullopt);
        startTrial();
    });
    connect(difficultyBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        drill_.chooseDifficulty(index);
        startTrial();
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("鍵盤(&K)"), keyBox_);
    form->addRow(QStringLiteral("難しさ(&D)"), difficultyBox_);
    form->addRow(QStringLiteral("調整(&A)"), slider_);
    form->addRow(QString(), sliderLabel_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(playButton_);
    buttons->addStretch();
    buttons->addWidget(checkButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(resultLabel_);
    layout->addWidget(methodLabel_);
    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(100);
    connect(clockTimer_, &QTimer::timeout, this, &UnisonWindow::onClockTick);
    drill_.startTrial();
    showSlider();
}

void UnisonWindow::startTrial()
{
    drill_.startTrial();
    {
        const QSignalBlocker quiet(slider_); // the centre is the trial's start, not a move
        slider_->setValue(0);
    }
    showSlider();
    if (isVisible())
        play();
}

void UnisonWindow::play()
{
    silence();
    // Before every strike: a device switched or a slider moved in the adjustment window meanwhile
    // has put the challenge's tuning back on channel 1, or left channel 3 without its instrument.
    links_.prepare();
    prepared_ = true;
    links_.tuneSecond(drill_.secondStringCents());
    links_.sound(drill_.key(), true);
    sounding_ = true;
    soundStart_ = links_.clock->now();
}

void UnisonWindow::silence()
{
    if (!sounding_)
        return;
    links_.sound(drill_.key(), false);
    sounding_ = false;
}

void UnisonWindow::onSliderMoved(int tenths)
{
    drill_.moveSlider(tenths);
    showSlider();
    if (prepared_)
        links_.tuneSecond(drill_.secondStringCents());
}

void UnisonWindow::onPlayClicked()
{
    play();
}

void UnisonWindow::onCheckClicked()
{
    const game::UnisonCheck check = drill_.check();
    resultLabel_->setText(QStringLiteral("%1: 残ったずれ %2、うなり %3 Hz（ずらした量 %4）")
                              .arg(game::NoteName(check.key), SignedCents(check.errorCents))
                              .arg(check.beatRate, 0, 'f', 2)
                              .arg(SignedCents(check.setCents)));
    if (links_.checked)
        links_.checked(check);
    startTrial();
}

void UnisonWindow::onClockTick()
{
    if (sounding_ && soundStart_.msecsTo(links_.clock->now()) >= kSoundMs)
        silence();
}

void UnisonWindow::showSlider()
{
    sliderLabel_->setText(QStringLiteral("調整 %1").arg(SignedCents(drill_.sliderTenths() / 10.0)));
}

// The strings sound only while the window is shown, and leave channel 1 as the challenge had it.
void UnisonWindow::showEvent(QShowEvent* event)
{
    methodLabel_->setText(MethodText(links_.secondString()));
    clockTimer_->start();
    play();
    QWidget::showEvent(event);
}

void UnisonWindow::hideEvent(QHideEvent* event)
{
    silence();
    clockTimer_->stop();
    if (prepared_) {
        links_.restoreTuning();
        prepared_ = false;
    }
    QWidget::hideEvent(event);
}

} // namespace windows
