// SPDX-License-Identifier: GPL-3.0-or-later
// The game the windows show: challenges, slider moves, the answer check and the check run.
#include "game/Session.h"

#include "game/Report.h"

#include <algorithm>
#include <utility>

namespace game {
namespace {

constexpr int kCheckRunEnd = kCheckRunFirstNote + 14; // one past the last note, 73

} // namespace

Session::Session(Sound& sound, Clock& clock, std::mt19937& random)
    : sound_(sound), clock_(clock), random_(random)
{
}

// One challenge, one scale tuning: the sliders go back to 0 unsent (0 lies in every difficulty's
// range), and the new draw goes out once with them. Sending each slider's return on its own had
// put a tuning with a stale position on the device first, a third of a second on a GS module.
void Session::startChallenge()
{
    if (examActive()) {
        examMinutes_ = 0;
        difficulty_ = difficultyBeforeExam_;
    }
    beginChallenge();
}

void Session::startExam(int minutes)
{
    if (!examActive())
        difficultyBeforeExam_ = difficulty_;
    examMinutes_ = std::max(minutes, 1);
    difficulty_ = 0; // 特級: one cent per step
    beginChallenge();
}

qint64 Session::examRemainingMs()
{
    if (!examActive())
        return 0;
    const qint64 limit = qint64(examMinutes_) * 60'000;
    const QDateTime end = answerIsChecked() ? ended_ : clock_.now();
    return std::max<qint64>(0, limit - started_.msecsTo(end));
}

bool Session::checkAnswerIfTimeIsUp()
{
    if (!examActive() || answerIsChecked() || examRemainingMs() > 0)
        return false;
    checkAnswer();
    return true;
}

void Session::beginChallenge()
{
    for (auto& cents : detune_)
        cents = DrawDetune(difficulty_, random_);
    lastResult_.reset();
    const SliderPositions moved = std::exchange(positions_, {});
    sendTuning(TuningMoment::NewChallenge);
    for (int k = 0; k < kPitchClasses; ++k)
        if (moved[std::size_t(k)] != 0)
            emit positionChanged(k);
    referenceToneUsed_ = false;
    beatWindowUsed_ = false;
    setLock(SettingsLock::Open);
    started_ = clock_.now();
    emit challengeStarted();
}

// A position change is re-sent at once; a changed slider locks the settings (the challenge's
// start opens them again when it is done).
void Session::setPosition(int pitchClass, int position)
{
    auto& current = positions_[std::size_t(pitchClass)];
    if (current == position)
        return;
    current = position;
    sendTuning(TuningMoment::Retune);
    emit positionChanged(pitchClass);
    setLock(SettingsLock::Locked);
}

void Session::moveSlider(int pitchClass, int position)
{
    setPosition(pitchClass, position);
}

void Session::sendTuning(TuningMoment moment)
{
    sound_.sendScaleTuning(ScaleTuningData(detune_, positions_, StepCents(difficulty_)), moment);
}

void Session::resendTuning()
{
    sendTuning(TuningMoment::Retune);
}

void Session::restartClock()
{
    started_ = clock_.now();
}

void Session::setDetune(const DetuneArray& detune)
{
    detune_ = detune;
    sendTuning(TuningMoment::Retune);
}

int Session::playerCents(int pitchClass) const
{
    return positions_[std::size_t(pitchClass)] * StepCents(difficulty_);
}

void Session::setLock(SettingsLock lock)
{
    if (lock_ == lock)
        return;
    lock_ = lock;
    emit settingsLockChanged(lock);
}

CheckResult Session::checkAnswer()
{
    CheckResult result;
    for (int k = 0; k < kPitchClasses; ++k) {
        result.player[std::size_t(k)] = playerCents(k);
        result.correct[std::size_t(k)] = -detune_[std::size_t(k)];
    }
    result.score = ScoreOf(result.player, result.correct);
    result.difficulty = difficulty_;
    result.instrument = instrument();
    result.device = deviceName_;
    result.referenceToneUsed = referenceToneUsed_;
    result.beatWindowUsed = beatWindowUsed_;
    result.referencePitch = referencePitch_;
    result.examMinutes = examMinutes_;
    if (examActive()) {
        std::array<double, kPitchClasses> errors{};
        for (int k = 0; k < kPitchClasses; ++k)
            errors[std::size_t(k)] = result.player[std::size_t(k)] - result.correct[std::size_t(k)];
        result.examScore = ScoreAsExaminers(errors);
    }
    result.started = started_;
    result.ended = ended_ = clock_.now();
    lastResult_ = result;
    lastResultReported_ = false;
    checkRunNote_ = kCheckRunFirstNote;
    if (lock_ == SettingsLock::Locked)
        setLock(SettingsLock::DifficultyOnly);
    emit answerChecked(result);
    return result;
}

void Session::chooseDifficulty(int difficulty)
{
    if (difficulty == difficulty_ || examActive())
        return;
    difficulty_ = difficulty;
    startChallenge();
}

void Session::chooseInstrument(int instrument)
{
    instrument_ = instrument;
    sendInstrument();
    emit instrumentChanged();
}

void Session::deviceReset()
{
    bankSent_ = 0; // the GS reset chose bank 0, program 0
    if (instrument() != 0)
        sendInstrument();
    emit instrumentChanged();
}

void Session::chooseReferencePitch(int hertz)
{
    if (hertz == referencePitch_ || !IsReferencePitch(hertz))
        return;
    referencePitch_ = hertz;
    sound_.sendMasterTune(MasterTuneCents(hertz));
    emit referencePitchChanged(hertz);
}

int Session::instrument() const
{
    return IsTuningPiano(instrument_) && !tuningPianoOffered() ? 0 : instrument_;
}

// Channel 1 plays the detuned keys, channel 2 the reference A: both take the instrument. The bank
// is sent only when it changes, so General MIDI's programs go out as they always have.
void Session::sendInstrument()
{
    const ProgramChoice choice = ProgramChoiceOf(instrument());
    for (int channel : {kKeysChannel, kReferenceChannel}) {
        if (choice.bank != bankSent_)
            sound_.sendBankSelect(channel, choice.bank);
        sound_.sendProgramChange(channel, choice.program);
    }
    bankSent_ = choice.bank;
}

bool Session::playCheckRunStep()
{
    if (!checkRunNote_)
        return false;
    const int note = (*checkRunNote_)++;
    sound_.sendNoteOff(kKeysChannel, note - 1);
    sound_.sendNoteOn(kKeysChannel, note);
    if (*checkRunNote_ == kCheckRunEnd) {
        checkRunNote_.reset();
        sound_.sendNoteOff(kKeysChannel, kCheckRunEnd - 1);
    }
    return true;
}

void Session::endCheckRun()
{
    if (checkRunNote_ && *checkRunNote_ > kCheckRunFirstNote)
        sound_.sendNoteOff(kKeysChannel, *checkRunNote_ - 1);
    checkRunNote_.reset();
}

QString Session::appendReport()
{
    // One block per answer check: pressing the button again copies the same log.
    if (lastResult_ && !std::exchange(lastResultReported_, true))
        reportLog_.append(ReportLines(ReportInputsOf(*lastResult_)));
    return reportLog_.text();
}

} // namespace game
