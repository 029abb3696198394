// SPDX-License-Identifier: GPL-3.0-or-later
// Composing one run: the windows, created in order, and how the player's acts reach the game.
#include "windows/Program.h"

#include "game/IniDocument.h"
#include "game/Instruments.h"
#include "game/KeyMap.h"
#include "game/ReferencePitch.h"
#include "game/SavedSettings.h"
#include "ui/Controls.h"
#include "ui/DesignLayout.h"

#include <QFileInfo>

namespace windows {

Program::Program(Host host) : host_(std::move(host))
{
    mainWindow_ =
        std::make_unique<MainWindow>(deviceChoice_, session_, keyboard_, host_.clock, host_.desktop);
    mainWindow_->startUp();
    if (ended())
        return;
    history_ =
        std::make_unique<PlayHistory>(mainWindow_->clockStatusBar(), host_.desktop, host_.clock,
                                      [this](int instrument) { return BeatPartialsOf(output_, instrument); });
    history_->placeWindowWith([this](QWidget* window) { ui::PlaceWhenOpened(window, belowTheMainWindow()); });
    tuningWindow_ = std::make_unique<TuningWindow>(session_);
    ui::PlaceBesideRow(tuningWindow_.get(), {mainWindow_.get()});
    tuningWindow_->startUp();
    connectWindows();
    session_.startChallenge();
    // The results window and the windows the menus open are made once the main window is on
    // screen: the two the player starts with do not wait for them (a check or a menu chosen before
    // then makes them at once).
    ui::AfterFirstPaint(mainWindow_.get(), [this] { createLaterWindows(); });
}

void Program::createLaterWindows()
{
    if (resultsWindow_)
        return;
    const auto settings = game::IniDocument::load(game::SettingsLocationOfThisProgram().pathToRead());
    resultsWindow_ =
        std::make_unique<ResultsWindow>(output_, session_, host_.desktop, game::ReadBoardAddress(settings));
    QObject::connect(resultsWindow_.get(), &ResultsWindow::quitRequested, mainWindow_.get(), &QWidget::close);
    hintWindow_ = std::make_unique<HintWindow>();
    difficultyDialog_ = std::make_unique<DifficultyDialog>(session_);
    instrumentDialog_ = std::make_unique<InstrumentDialog>(session_);
    beatWindow_ = std::make_unique<BeatWindow>(beatWindowLinks());
    beatWindow_->adjustSize(); // its layout's size, before it is placed
    examDialog_ = std::make_unique<ExamDialog>(session_);
    placeLaterWindows();
}

// A window made after the first paint, made at once if it is asked for before then.
template <class Window> Window& Program::laterWindow(const std::unique_ptr<Window>& window)
{
    createLaterWindows();
    return *window;
}

Program::~Program()
{
    // Windows going away move the focus, and the keyboard releases what it holds: the main window
    // must not be told to repaint keys while it is being destroyed.
    keyboard_.blockSignals(true);
    // In the reverse order of creation.
    unisonWindow_.reset();
    comparisonWindow_.reset();
    examDialog_.reset();
    beatWindow_.reset();
    instrumentDialog_.reset();
    difficultyDialog_.reset();
    hintWindow_.reset();
    resultsWindow_.reset();
    tuningWindow_.reset();
    history_.reset();
    mainWindow_.reset();
}

void Program::connectWindows()
{
    MainWindow* main = mainWindow_.get();
    QObject::connect(main, &MainWindow::activated, tuningWindow_.get(), &QWidget::show);
    QObject::connect(main, &MainWindow::hintRequested, main, [this] { laterWindow(hintWindow_).show(); });
    QObject::connect(main, &MainWindow::difficultyDialogRequested, main,
                     [this] { laterWindow(difficultyDialog_).show(); });
    QObject::connect(main, &MainWindow::instrumentDialogRequested, main,
                     [this] { laterWindow(instrumentDialog_).show(); });
    QObject::connect(main, &MainWindow::examDialogRequested, main, [this] {
        ExamDialog& exam = laterWindow(examDialog_);
        exam.show();
        exam.raise();
        exam.activateWindow();
    });
    QObject::connect(main, &MainWindow::historyRequested, main, [this] { history_->showWindow(); });
    QObject::connect(main, &MainWindow::beatWindowRequested, main, [this] {
        BeatWindow& beats = laterWindow(beatWindow_);
        beats.show();
        beats.raise();
        beats.activateWindow();
    });
    QObject::connect(main, &MainWindow::comparisonWindowRequested, main,
                     [this] { showDrill(comparisonWindow_, comparisonWindowLinks()); });
    QObject::connect(main, &MainWindow::unisonWindowRequested, main,
                     [this] { showDrill(unisonWindow_, unisonWindowLinks()); });
    // The history's records that cannot be written go beside the settings file; the beat window's
    // notes end with it.
    QObject::connect(main, &MainWindow::runFinished, main, [this] {
        history_->saveAtExit(QFileInfo(game::SettingsLocationOfThisProgram().pathToWrite()).absolutePath());
        if (beatWindow_)
            beatWindow_->hide();
        if (comparisonWindow_)
            comparisonWindow_->hide();
        if (unisonWindow_)
            unisonWindow_->hide();
    });
    // The results window shows the check first, the history records it after.
    QObject::connect(&session_, &game::Session::answerChecked, main, [this](const game::CheckResult& result) {
        laterWindow(resultsWindow_).showResult(result);
        history_->recordAnswerCheck(result);
    });
}

// The beat window plays on channel 1 as the keys do, so it sounds in the tuning last sent.
BeatWindowLinks Program::beatWindowLinks()
{
    return {.sound =
                [this](int note, bool on) {
                    on ? output_.sendNoteOn(game::kKeysChannel, note)
                       : output_.sendNoteOff(game::kKeysChannel, note);
                },
            .showKey = [this](int note, bool held) { keyboard_.showSounding(note, held); },
            .tuning =
                [this] {
                    history::Cents cents{};
                    for (int k = 0; k < history::kPitchClasses; ++k)
                        cents[std::size_t(k)] = session_.detune()[std::size_t(k)] + session_.playerCents(k);
                    return cents;
                },
            .partials = [this] { return BeatPartialsOf(output_, session_.instrument()); },
            .emphasis = [this] { return output_.beatEmphasis(); },
            .used = [this] { session_.noteBeatWindowUsed(); },
            .pitchCents = [this] { return game::MasterTuneCents(session_.referencePitch()); },
            .clock = &host_.clock};
}

template <class Window, class Links> void Program::showDrill(std::unique_ptr<Window>& window, Links links)
{
    if (!window) {
        window = std::make_unique<Window>(std::move(links));
        window->adjustSize();
        ui::PlaceWhenOpened(window.get(), belowTheMainWindow());
    }
    window->show();
    window->raise();
    window->activateWindow();
}

// The drill plays on channel 1 in a tuning of its own, and gives the challenge's back when it closes.
ComparisonWindowLinks Program::comparisonWindowLinks()
{
    return {.sound =
                [this](int note, bool on) {
                    on ? output_.sendNoteOn(game::kKeysChannel, note)
                       : output_.sendNoteOff(game::kKeysChannel, note);
                },
            .tune = [this](const game::PitchClassCents& cents) { sendDrillTuning(cents); },
            .restoreTuning = [this] { session_.resendTuning(); },
            .partials = [this] { return BeatPartialsOf(output_, session_.instrument()); },
            .answered =
                [this](const game::ComparisonTrial& trial, int chosen, bool right,
                       std::optional<double> threshold) {
                    history_->recordDrill({.at = host_.clock.now(),
                                           .drill = history::Drill::BeatComparison,
                                           .subject = game::IntervalText(trial.intervals[0]) +
                                                      QStringLiteral(" / ") +
                                                      game::IntervalText(trial.intervals[1]),
                                           .setAmount = trial.setDifference,
                                           .answer = QString::number(chosen + 1),
                                           .right = right,
                                           .errorCents = std::nullopt,
                                           .threshold = threshold,
                                           .instrument = session_.instrument(),
                                           .device = session_.deviceName()});
                },
            .random = &random_,
            .clock = &host_.clock};
}

// A drill's own scale tuning of channel 1, each pitch class's cents; the challenge's comes back
// when the drill's window closes.
void Program::sendDrillTuning(const game::PitchClassCents& cents)
{
    std::array<std::uint8_t, midi::kPitchClasses> data{};
    for (std::size_t k = 0; k < data.size(); ++k)
        data[k] = std::uint8_t(64 + cents[k]);
    output_.sendScaleTuning(data, game::TuningMoment::Retune);
}

// The first string is channel 1's key in equal temperament, the second the same key on a spare
// channel with the same instrument, moved by the channel's fine tuning.
UnisonWindowLinks Program::unisonWindowLinks()
{
    return {.prepare =
                [this] {
                    sendDrillTuning({});
                    const game::ProgramChoice choice = game::ProgramChoiceOf(session_.instrument());
                    output_.sendBankSelect(game::kSecondStringChannel, choice.bank);
                    output_.sendProgramChange(game::kSecondStringChannel, choice.program);
                },
            .sound =
                [this](int key, bool on) {
                    for (int channel : {game::kKeysChannel, game::kSecondStringChannel})
                        on ? output_.sendNoteOn(channel, key) : output_.sendNoteOff(channel, key);
                },
            .tuneSecond = [this](double cents) { output_.sendFineTuning(game::kSecondStringChannel, cents); },
            .restoreTuning =
                [this] {
                    // Channel 3 as a GS reset leaves it, for whatever plays on it next.
                    output_.sendFineTuning(game::kSecondStringChannel, 0);
                    session_.resendTuning();
                },
            .secondString =
                [this] {
                    if (!output_.offersOwnInstruments())
                        return SecondString::ChannelFineTuning;
                    return game::IsTuningPiano(session_.instrument()) ? SecondString::BuiltInTenths
                                                                      : SecondString::BuiltInWholeCents;
                },
            .checked =
                [this](const game::UnisonCheck& check) {
                    history_->recordDrill(
                        {.at = host_.clock.now(),
                         .drill = history::Drill::Unison,
                         .subject = game::NoteName(check.key),
                         .setAmount = check.setCents,
                         .answer = QString::number(check.errorCents - check.setCents, 'f', 1),
                         .right = std::nullopt,
                         .errorCents = check.errorCents,
                         .threshold = std::nullopt,
                         .instrument = session_.instrument(),
                         .device = session_.deviceName()});
                },
            .random = &random_,
            .clock = &host_.clock};
}

// Each time a window opens it takes a place of its own (ui::PlaceWhenOpened): the results window
// beside the row of the main and adjustment windows, the others below the main window.
void Program::placeLaterWindows()
{
    ui::PlaceWhenOpened(resultsWindow_.get(), [this] {
        return ui::Opening{ui::BesideRow(resultsWindow_.get(), {mainWindow_.get(), tuningWindow_.get()}),
                           keptControls()};
    });
    for (QWidget* window :
         std::initializer_list<QWidget*>{hintWindow_.get(), difficultyDialog_.get(), instrumentDialog_.get(),
                                         beatWindow_.get(), examDialog_.get()})
        ui::PlaceWhenOpened(window, belowTheMainWindow());
}

std::function<ui::Opening()> Program::belowTheMainWindow()
{
    return [this] { return ui::Opening{ui::BelowOf(mainWindow_.get()), keptControls()}; };
}

// What the player plays with stays in sight: the keys, the sliders and the answer button.
std::vector<QRect> Program::keptControls() const
{
    std::vector<const QWidget*> keys;
    for (const game::PianoKey& key : game::PianoKeys())
        keys.push_back(mainWindow_->pianoKey(key.shape));
    std::vector<const QWidget*> sliders;
    for (int pitchClass = 0; pitchClass < game::kPitchClasses; ++pitchClass)
        sliders.push_back(tuningWindow_->slider(pitchClass));
    return {ui::ScreenRect(keys), ui::ScreenRect(sliders), ui::ScreenRect({tuningWindow_->answerButton()})};
}

bool Program::ended() const
{
    return !mainWindow_->startedUp();
}

void Program::showMainWindow()
{
    mainWindow_->show();
    mainWindow_->activateWindow();
}

} // namespace windows
