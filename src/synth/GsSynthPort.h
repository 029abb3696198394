// SPDX-License-Identifier: GPL-3.0-or-later
// The open port of the built-in synthesizer: short messages in FluidSynth's terms, GS reset, master
// tune and scale tuning interpreted here, before FluidSynth could see (and drop) them.
#pragma once

#include "midi/Midi.h"
#include "output/Port.h"
#include "synth/AudioOutput.h"
#include "synth/FluidSynth.h"
#include "synth/GsSysEx.h"
#include "synth/LateNotes.h"
#include "synth/PartialsMeter.h"
#include "synth/SayToPlayer.h"
#include "synth/TuningCalibrator.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace synth {

class GsSynthPort final : public output::Port {
public:
    using ScaleTuning = std::array<int, midi::kPitchClasses>; // cents, C ... B

    // How long keys of the player's and the reference's channel wait for their program's
    // measurement before they sound uncorrected.
    static constexpr std::chrono::milliseconds kMeasurementPatience{3000};

    // Without `audio` the synthesizer plays only when rendered through synth(), as the tests do.
    // Without `calibrator` the SoundFont's own tuning is left as it is. `say` tells the player that
    // the SoundFont file is damaged, has gone or has been changed; from the application's event
    // loop, never within a message. Without `partialsMeter` the SoundFont's partials are not told.
    explicit GsSynthPort(std::unique_ptr<FluidSynth> synth, std::unique_ptr<AudioOutput> audio = nullptr,
                         std::unique_ptr<TuningCalibrator> calibrator = nullptr,
                         std::chrono::milliseconds patience = kMeasurementPatience,
                         SayToPlayer say = SayOnTerminal,
                         std::unique_ptr<PartialsMeter> partialsMeter = nullptr);

    output::Result sendShort(const midi::ShortMessage& message) override;
    output::Result sendSysex(std::span<const std::uint8_t> bytes) override;
    output::Result reset() override;
    // Every message has been taken in when its call returns.
    bool needsPacing() const override { return false; }
    output::BeatEmphasis* beatEmphasis() override { return audio_ ? audio_->emphasis() : nullptr; }
    bool offersOwnInstruments() const override { return true; }
    // The tuning piano's partials as designed (bank midi::kOwnBank); the SoundFont's presets (bank 0)
    // as measured, once their partials and their correction are in.
    std::optional<output::InstrumentPartials> partials(int bank, int program) override;

    FluidSynth& synth() { return *synth_; }

private:
    // The messages of a channel whose program is being measured (or whose tuning piano is being
    // made), held until it is ready (or patience runs out), then played in order: a key pressed
    // before the instrument is ready sounds, corrected, as soon as it is.
    using Clock = std::chrono::steady_clock;
    struct Held {
        midi::ShortMessage message;
        Clock::time_point at; // when it arrived
    };
    struct Waiting {
        bool waiting = false;
        Clock::time_point since;
        std::vector<Held> held;
    };
    // The note-off of a note that began late, while its channel waited: played as long after the
    // note's late start as the key was held, so that a short press still sounds in full.
    struct DueNoteOff {
        midi::ShortMessage message;
        Clock::time_point due;
    };

    // Plays the message, or holds it while its channel waits.
    void deliver(const midi::ShortMessage& message, Clock::time_point at);
    void play(const midi::ShortMessage& message);
    // Under the synthesizer's lock: plays what waited on channels whose measurement is in or whose
    // patience ran out, and the note-offs that are due; true while anything still waits.
    bool playWhatIsReady();
    // Under the synthesizer's lock: a new message for a key whose note-off is due later ends that
    // note first.
    void endNoteDueLater(const midi::ShortMessage& message);
    // The timer's thread: while anything waits, plays what is ready every few milliseconds, so that
    // patience ends on time and held notes end when due even when no message comes.
    void runTimer(std::stop_token stop);
    void startTimer();
    void controlChange(int channel, int controller, int value);
    // The channel fine tuning, taken from FluidSynth: true when the controller was its data entry.
    bool takeFineTuning(int channel, int controller, int value);
    void resetToGsDefaults();
    // output::Result::Refused for a channel or pitch classes out of range, which the parser never
    // gives.
    output::Result apply(const GsScaleTuning& tuning);
    // The whole cents go on every key with the scale tuning; the tenths left, which FluidSynth's
    // whole-cent pitch would drop, into the tuning piano's strings, made again at them, and into the
    // sample rates of the SoundFont's corrected keys, settled again by the calibrator.
    void apply(const GsMasterTune& masterTune);
    // Puts the channel's scale tuning on every one of its keys.
    void detuneKeys(int channel);
    // After each message: an audio output asleep in a silence renders it in its next period.
    void wakeAudio();
    // Once per port, at a program change: tells the player that the SoundFont file has been
    // changed in place (no further instrument loads from it) or has gone (it plays on from the held
    // file, but the next start will find none). One box: a player who reinstalls after the first
    // needs no second.
    void sayWhenSoundFontUnusable();
    // At the open: tells the player that samples of the file point past its sample data, which
    // FluidSynth drops without a word (their keys play silence).
    void sayWhenSamplesPastTheData();

    std::unique_ptr<FluidSynth> synth_;
    // Makes the player's or the reference's channel wait for the instrument it now plays: the
    // calibrator's measurement of a General MIDI program, the samples of the tuning piano.
    void awaitInstrument(int channel);
    // Starts measuring the partials of the General MIDI program the player's channel now plays.
    void measurePartials(int channel);
    // Under the synthesizer's lock: whether the channel's instrument is ready to sound.
    bool instrumentReady(int channel) const;

    std::unique_ptr<AudioOutput> audio_; // declared after synth_: stops before the synthesizer goes
    std::array<ScaleTuning, midi::kChannels> scaleTuning_{};
    int masterTuneCents_ = 0; // the master tune's whole cents (its tenths are in the tuning piano)
    // The registered parameter each channel's data entry goes to (127/127: none), and each
    // channel's fine tuning, 14 bits, 8192 at the centre.
    static constexpr int kNonRegisteredParameterMsb = 99;
    static constexpr int kNonRegisteredParameterLsb = 98;
    struct RegisteredParameter {
        int msb = 127;
        int lsb = 127;
    };
    std::array<RegisteredParameter, midi::kChannels> registered_{};
    std::array<int, midi::kChannels> fineTuning_ = [] {
        std::array<int, midi::kChannels> centre{};
        centre.fill(midi::kFineTuningCentre);
        return centre;
    }();
    std::chrono::milliseconds patience_;
    std::array<Waiting, 2> waiting_; // player, reference; under the synthesizer's lock
    // Declared after synth_, whose SoundFont its worker reloads: stops first. Each result reaches
    // the synthesizer as sample rates in one reload, so a note has its whole correction from its
    // note-on, or none.
    std::unique_ptr<TuningCalibrator> calibrator_;
    SayToPlayer say_;
    // Declared after synth_, whose SoundFont file its worker reads: stops first.
    std::unique_ptr<PartialsMeter> partialsMeter_;
    bool soundFontSaid_ = false;          // under the synthesizer's lock
    std::vector<DueNoteOff> dueNoteOffs_; // under the synthesizer's lock
    LateNotes late_;                      // under the synthesizer's lock: played late, still held
    std::mutex timerLock_;
    std::condition_variable_any timerWake_;
    bool timerNeeded_ = false; // under timerLock_
    // Declared last: stops before anything it plays on goes.
    std::jthread timer_;
};

} // namespace synth
