// SPDX-License-Identifier: GPL-3.0-or-later
// TForm2, the adjustment window: the challenge and its sends, the sliders, the answer check, the run.
#include "tessalyUnit2.h"

#include "platform/Random.h"
#include "platform/System.h"
#include "port/Messages.h"
#include "tessalyUnit1.h"
#include "tessalyUnit3.h"
#include "tessalyUnit5.h"

#include <QCloseEvent>
#include <QLabel>

TForm2* Form2 = nullptr;

namespace {

constexpr int kCheckRunEnd = kCheckRunFirstNote + 14; // one past the last note, 73

} // namespace

int Difficulty()
{
    return Form5->RadioGroup1Index();
}

void NewChallenge()
{
    const int difficulty = Difficulty();
    Form2->setSliderRange(game::SliderRangeOf(difficulty));
    platform::Randomize();
    for (auto& detune : DetuneTable)
        detune = game::DrawDetune(difficulty, platform::RandomGenerator());
    Form3->showCorrectTuning(DetuneTable);
    midi::FillScaleTuningMessage(game::ScaleTuningData(DetuneTable, {}, 0));
    midi::SendScaleTuningMessage(midi::kWaitAfterNewChallenge);
    Form2->resetSliders();
}

void SendScaleTuning()
{
    midi::FillScaleTuningMessage(
        game::ScaleTuningData(DetuneTable, Form2->sliderPositions(), game::StepCents(Difficulty())));
    midi::SendScaleTuningMessage(midi::kWaitAfterRetune);
}

TForm2::TForm2()
{
    setWindowTitle(QStringLiteral("調整"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    ui::SetBounds(this, {175, 278, 185, 485});
    for (int row = 1; row <= game::kPitchClasses; ++row) {
        const int top = 24 + 32 * (row - 1);
        labels_[row - 1] = new QLabel(game::PitchClassName(row - 1), this);
        labels_[row - 1]->move(0, top);
        auto* scrollBar = new ui::ScrollBar(this, {24, top, 137, 17}, -32, 31);
        scrollBar->setObjectName(QStringLiteral("ScrollBar%1").arg(row));
        scrollBar->describe(game::PitchClassName(row - 1), [] { return game::StepCents(Difficulty()); });
        connect(scrollBar, &ui::ScrollBar::changed, this, [this, row] { ScrollBarChange(row); });
        scrollBars_[row - 1] = scrollBar;
    }
    Button1 = new ui::Button(this, QStringLiteral("答え合わせ"), {40, 416, 105, 25});
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    // Tab order: the sliders C ... B, then the button; the first slider has the focus at first.
    for (int row = 1; row < game::kPitchClasses; ++row)
        setTabOrder(ScrollBar(row), ScrollBar(row + 1));
    setTabOrder(ScrollBar(game::kPitchClasses), Button1);
    ScrollBar(1)->setFocus();
    Timer1 = new QTimer(this);
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    Timer1->start();
    ui::InstallKeyPreview(
        this, [](int key) { Form1->FormKeyDown(key); },
        [this](int key) {
            Form1->FormKeyUp(key);
            Form1->ReleaseReferenceKeyElsewhere(this);
        });
}

void TForm2::FormCreate()
{
    platform::Randomize();
    show();
    CheckRunActive = false;
    CheckRunNote = kCheckRunFirstNote;
}

game::SliderPositions TForm2::sliderPositions() const
{
    game::SliderPositions positions{};
    for (int i = 0; i < game::kPitchClasses; ++i)
        positions[std::size_t(i)] = scrollBars_[std::size_t(i)]->value();
    return positions;
}

void TForm2::setSliderRange(game::SliderRange range)
{
    for (auto* scrollBar : scrollBars_) {
        scrollBar->setMaximum(range.maximum); // a clamped position runs its change handling
        scrollBar->setMinimum(range.minimum);
    }
}

void TForm2::resetSliders()
{
    for (auto* scrollBar : scrollBars_)
        scrollBar->setValue(0);
}

void TForm2::disableAnswerControls()
{
    Button1->setEnabled(false);
    for (auto* scrollBar : scrollBars_)
        scrollBar->setEnabled(false);
}

void TForm2::enableAnswerButton()
{
    Button1->setEnabled(true);
}

void TForm2::enableSliders()
{
    for (auto* scrollBar : scrollBars_)
        scrollBar->setEnabled(true);
}

void TForm2::ScrollBarChange(int row)
{
    SendScaleTuning();
    Form3->showPlayerCents(row - 1, ScrollBar(row)->value() * game::StepCents(Difficulty()));
    Form1->lockSettings();
}

void TForm2::Button1Click()
{
    Form3->showScore();
    Form3->show();
    Form1->unlockDifficulty();
    disableAnswerControls();
    TuningEndTime = platform::Now();
    CheckRunActive = true;
    Form1->History->recordAnswerCheck(); // after everything the player sees
}

void TForm2::Timer1Timer()
{
    if (!CheckRunActive)
        return;
    midi::SendNoteOff(midi::kKeysChannel, CheckRunNote - 1);
    midi::SendNoteOn(midi::kKeysChannel, CheckRunNote);
    if (++CheckRunNote == kCheckRunEnd) {
        CheckRunActive = false;
        CheckRunNote = kCheckRunFirstNote;
        midi::SendNoteOff(midi::kKeysChannel, kCheckRunEnd - 1);
    }
}

void TForm2::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
