// SPDX-License-Identifier: GPL-3.0-or-later
// TuningWindow, the adjustment window: the challenge and its sends, the sliders, the answer check, the run.
#include "windows/TuningWindow.h"

#include "platform/Random.h"
#include "platform/System.h"
#include "port/Messages.h"
#include "windows/DifficultyDialog.h"
#include "windows/MainWindow.h"
#include "windows/ResultsWindow.h"

#include <QCloseEvent>
#include <QLabel>

TuningWindow* theTuningWindow = nullptr;

namespace {

constexpr int kCheckRunEnd = kCheckRunFirstNote + 14; // one past the last note, 73

} // namespace

int Difficulty()
{
    return theDifficultyDialog->level();
}

void NewChallenge()
{
    const int difficulty = Difficulty();
    theTuningWindow->setSliderRange(game::SliderRangeOf(difficulty));
    platform::Randomize();
    for (auto& detune : DetuneTable)
        detune = game::DrawDetune(difficulty, platform::RandomGenerator());
    theResultsWindow->showCorrectTuning(DetuneTable);
    midi::FillScaleTuningMessage(game::ScaleTuningData(DetuneTable, {}, 0));
    midi::SendScaleTuningMessage(midi::kWaitAfterNewChallenge);
    theTuningWindow->resetSliders();
}

void SendScaleTuning()
{
    midi::FillScaleTuningMessage(game::ScaleTuningData(DetuneTable, theTuningWindow->sliderPositions(),
                                                       game::StepCents(Difficulty())));
    midi::SendScaleTuningMessage(midi::kWaitAfterRetune);
}

TuningWindow::TuningWindow()
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
        scrollBar->setObjectName(QStringLiteral("slider%1").arg(row));
        connect(scrollBar, &ui::ScrollBar::changed, this, [this, row] { onSliderMoved(row); });
        sliders_[row - 1] = scrollBar;
    }
    answerButton = new ui::Button(this, QStringLiteral("答え合わせ"), {40, 416, 105, 25});
    connect(answerButton, &QPushButton::clicked, this, &TuningWindow::onAnswerClicked);
    // Tab order: the sliders C ... B, then the button; the first slider has the focus at first.
    for (int row = 1; row < game::kPitchClasses; ++row)
        setTabOrder(slider(row), slider(row + 1));
    setTabOrder(slider(game::kPitchClasses), answerButton);
    slider(1)->setFocus();
    checkRunTimer = new QTimer(this);
    checkRunTimer->setInterval(200);
    connect(checkRunTimer, &QTimer::timeout, this, &TuningWindow::onCheckRunTick);
    checkRunTimer->start();
    ui::InstallKeyPreview(
        this, [](int key) { theMainWindow->onKeyDown(key); },
        [this](int key) {
            theMainWindow->onKeyUp(key);
            theMainWindow->releaseReferenceKeyElsewhere(this);
        });
}

void TuningWindow::startUp()
{
    platform::Randomize();
    show();
    CheckRunActive = false;
    CheckRunNote = kCheckRunFirstNote;
}

game::SliderPositions TuningWindow::sliderPositions() const
{
    game::SliderPositions positions{};
    for (int i = 0; i < game::kPitchClasses; ++i)
        positions[std::size_t(i)] = sliders_[std::size_t(i)]->value();
    return positions;
}

void TuningWindow::setSliderRange(game::SliderRange range)
{
    for (auto* scrollBar : sliders_) {
        scrollBar->setMaximum(range.maximum); // a clamped position runs its change handling
        scrollBar->setMinimum(range.minimum);
    }
}

void TuningWindow::resetSliders()
{
    for (auto* scrollBar : sliders_)
        scrollBar->setValue(0);
}

void TuningWindow::disableAnswerControls()
{
    answerButton->setEnabled(false);
    for (auto* scrollBar : sliders_)
        scrollBar->setEnabled(false);
}

void TuningWindow::enableAnswerButton()
{
    answerButton->setEnabled(true);
}

void TuningWindow::enableSliders()
{
    for (auto* scrollBar : sliders_)
        scrollBar->setEnabled(true);
}

void TuningWindow::onSliderMoved(int row)
{
    SendScaleTuning();
    theResultsWindow->showPlayerCents(row - 1, slider(row)->value() * game::StepCents(Difficulty()));
    theMainWindow->lockSettings();
}

void TuningWindow::onAnswerClicked()
{
    theResultsWindow->showScore();
    theResultsWindow->show();
    theMainWindow->unlockDifficulty();
    disableAnswerControls();
    TuningEndTime = platform::Now();
    CheckRunActive = true;
    theMainWindow->history->recordAnswerCheck(); // after everything the player sees
}

void TuningWindow::onCheckRunTick()
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

void TuningWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
