// SPDX-License-Identifier: GPL-3.0-or-later
// The game the windows show: one challenge after another, its hidden detuning, the player's
// slider positions, difficulty and instrument, the settings lock, the start and end times, the
// reference-tone and beat-window flags, the answer check and the run's clipboard reports. Windows render it
// and hand the player's acts to it; it is heard through game::Sound.
#pragma once

#include "game/Challenge.h"
#include "game/Clock.h"
#include "game/Instruments.h"
#include "game/ReferencePitch.h"
#include "game/ReportLog.h"
#include "game/Score.h"
#include "game/Sound.h"

#include <QDateTime>
#include <QObject>

#include <optional>
#include <random>

namespace game {

// Which settings the player may change: all of them while the challenge is untouched, none
// once a slider moved, the difficulty again after the answer check.
enum class SettingsLock { Open, Locked, DifficultyOnly };

// The check run plays notes 60 ... 73 after the answer check, one step per tick.
constexpr int kCheckRunFirstNote = 60;

class Session : public QObject {
    Q_OBJECT
public:
    // `random` draws the detuning: seeded once by the program, fixed in tests.
    Session(Sound& sound, Clock& clock, std::mt19937& random);

    // The one way a challenge starts (at start-up, by the retry, by closing the results, by a new
    // difficulty): a new detuning is drawn, the sliders go back to 0 and the tuning is sent once,
    // the reference-tone flag is cleared, the settings open and the start time is now.
    void startChallenge();
    // An exam: one challenge at 特級 (difficulty 0) with `minutes` to tune it, the difficulty locked;
    // at the end of the time the answer is checked with the sliders as they stand. The next
    // startChallenge() returns to the normal game at the difficulty it had.
    void startExam(int minutes);
    // Whether the current challenge is an exam's; its time limit in minutes (0: none).
    bool examActive() const { return examMinutes_ > 0; }
    int examMinutes() const { return examMinutes_; }
    // An exam's time left until the answer is checked by itself (never negative); 0 outside one.
    qint64 examRemainingMs();
    // Checks the answer of an exam whose time is up (the windows ask on their timer); true when it
    // did.
    bool checkAnswerIfTimeIsUp();
    // The player moved the slider of `pitchClass` to `position`: the tuning is re-sent and the
    // settings lock. A position the session already holds changes nothing.
    void moveSlider(int pitchClass, int position);
    // The answer check: the score of both columns, the end time; the check run starts and the
    // difficulty may change again.
    CheckResult checkAnswer();
    // A new difficulty starts the next challenge; the same difficulty changes nothing.
    void chooseDifficulty(int difficulty);
    // The instrument of both channels, the keys' and the reference A's (game::InstrumentName): a
    // General MIDI program, or the tuning piano where the device offers it.
    void chooseInstrument(int instrument);
    // A device was opened and reset (start-up, a device switch): it gets the instrument again, and
    // the instruments on offer may have changed.
    void deviceReset();
    // The reference pitch A4 in Hz (game::kReferencePitches): the device's master tune moves both
    // channels; the challenge, the sliders and the score stay in cents. The same pitch sends nothing.
    void chooseReferencePitch(int hertz);
    int referencePitch() const { return referencePitch_; }
    // The name of the output device, for the report and the history.
    void setDeviceName(const QString& name) { deviceName_ = name; }
    const QString& deviceName() const { return deviceName_; }
    void noteReferenceToneUsed() { referenceToneUsed_ = true; }
    void noteBeatWindowUsed() { beatWindowUsed_ = true; }
    // The challenge just started becomes playable only now (the results window stayed under a
    // held "もう一度挑戦"): its practice time counts from here.
    void restartClock();
    // Re-sends the current tuning, as after a device switch.
    void resendTuning();
    // One step of the check run; false when it is not running.
    bool playCheckRunStep();
    // Ends a running check run at once, its sounding note released (the program ends).
    void endCheckRun();
    // Appends the report of the latest answer check to the run's log; answers the whole log.
    QString appendReport();

    const DetuneArray& detune() const { return detune_; }
    // Sets the hidden detuning of the current challenge and sends it, as a bench sets up a case.
    void setDetune(const DetuneArray& detune);
    const SliderPositions& positions() const { return positions_; }
    SliderRange sliderRange() const { return SliderRangeOf(difficulty_); }
    // The player's tuning of `pitchClass` in cents: position times step.
    int playerCents(int pitchClass) const;
    int difficulty() const { return difficulty_; }
    // The instrument that plays: the one chosen, or General MIDI's piano where the device does not
    // offer the tuning piano.
    int instrument() const;
    // Whether the device offers the tuning piano beside General MIDI's programs.
    bool tuningPianoOffered() const { return sound_.offersOwnInstruments(); }
    SettingsLock settingsLock() const { return lock_; }
    bool answerIsChecked() const { return lastResult_.has_value(); }
    const std::optional<CheckResult>& lastResult() const { return lastResult_; }
    const QDateTime& started() const { return started_; }
    bool referenceToneUsed() const { return referenceToneUsed_; }
    bool beatWindowUsed() const { return beatWindowUsed_; }
    bool checkRunActive() const { return checkRunNote_.has_value(); }
    const ReportLog& reportLog() const { return reportLog_; }

signals:
    void referencePitchChanged(int hertz);
    // Slider `pitchClass` has a new position (also its range may have clamped it).
    void positionChanged(int pitchClass);
    // The new challenge is drawn, sent and ready to play.
    void challengeStarted();
    void answerChecked(const game::CheckResult& result);
    void settingsLockChanged(game::SettingsLock lock);
    // The instrument or the instruments on offer changed.
    void instrumentChanged();

private:
    void beginChallenge();
    void setPosition(int pitchClass, int position);
    void sendTuning(TuningMoment moment);
    void setLock(SettingsLock lock);
    void sendInstrument();

    Sound& sound_;
    Clock& clock_;
    std::mt19937& random_;
    DetuneArray detune_{};
    SliderPositions positions_{};
    int difficulty_ = 0;
    int instrument_ = kTuningPiano; // as chosen; see instrument()
    int bankSent_ = 0;              // the bank the device's channels choose from now
    QString deviceName_;
    int referencePitch_ = kDefaultReferencePitch;
    int examMinutes_ = 0;          // while the current challenge is an exam's
    int difficultyBeforeExam_ = 0; // the normal game's, restored after the exam
    SettingsLock lock_ = SettingsLock::Open;
    QDateTime started_;
    QDateTime ended_;
    bool referenceToneUsed_ = false;
    bool beatWindowUsed_ = false;
    std::optional<CheckResult> lastResult_; // from the answer check to the next challenge
    std::optional<int> checkRunNote_;       // the next note of a running check run
    ReportLog reportLog_;
    bool lastResultReported_ = false; // the latest check's block is in the report log
};

} // namespace game
