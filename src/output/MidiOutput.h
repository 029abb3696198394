// SPDX-License-Identifier: GPL-3.0-or-later
// The one MIDI output of a run: the open port, the messages the game sends (notes, controllers,
// program changes, the GS reset and GS scale tuning), and the procedure by which
// system-exclusive messages are sent, with its fixed waits.
#pragma once

#include "game/Clock.h"
#include "game/Sound.h"
#include "midi/Midi.h"
#include "output/DeviceList.h"
#include "output/Port.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace output {

constexpr std::uint8_t kNoteOnVelocity = 100;
constexpr std::uint8_t kNoteOffVelocity = 127;

// Waits of the system-exclusive sends.
using Wait = std::chrono::milliseconds;
constexpr Wait kWaitBeforeScaleTuning{300};
constexpr Wait kWaitAfterNewChallenge{1000}; // also the reset at exit
constexpr Wait kWaitAfterRetune{10};
constexpr Wait kWaitAfterGsResetAtStart{100};
constexpr Wait kWaitAfterGsResetAtSwitch{200};
// The master tune is paced as a slider's retune: 300 ms before, 10 ms after.
constexpr Wait kWaitAfterMasterTune{10};

// The Roland GS reset: F0 41 10 42 12 40 00 7F 00 41 F7.
extern const std::array<std::uint8_t, 11> kGsResetMessage;

// The GS scale tuning of part 1 (MIDI channel 1): header, twelve data bytes C ... B, checksum, F7.
using ScaleTuningMessage = std::array<std::uint8_t, 22>;

class MidiOutput final : public game::Sound {
public:
    MidiOutput(DeviceList& devices, game::Clock& clock) : devices_(devices), clock_(clock) {}
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;

    // Opens `deviceId` as the one port; after a failed open no port is open and every send fails.
    Result open(int deviceId);
    void close();
    void reset();

    // A device that had gone away and is connected again (Port::reconnect) has lost GS
    // mode and the tuning. So before a short message or a scale tuning goes out, such a device
    // first gets, once, the GS reset and then the scale tuning last filled (it holds the current
    // tuning), with the waits of a device switch; then `handler` runs. The device choice sets it for
    // its life, to tell the player.
    void onDeviceReturned(std::function<void()> handler) { onDeviceReturned_ = std::move(handler); }
    // A scale tuning that could not be sent, to be told to the player (the windows choose the box).
    void onSendFailure(std::function<void(Result)> handler) { onSendFailure_ = std::move(handler); }

    // The messages the game sends, by name; `channel` 0 is MIDI channel 1. No sender checks the
    // result: a port that is not open stays silent.
    void sendNoteOn(int channel, int note) override;  // velocity 100
    void sendNoteOff(int channel, int note) override; // velocity 127
    void sendSustainPedal(int channel, bool down) override;
    void sendAllSoundOff(int channel) override;
    void sendProgramChange(int channel, int program) override;
    void sendBankSelect(int channel, int bank) override;
    // The channel's fine tuning (registered parameter 0/1, which every GM device takes), in cents
    // within ±100, to the nearest 1/82 cent; the parameter number is closed again after it.
    void sendFineTuning(int channel, double cents);
    // Fills and sends the scale tuning, with the wait after it that `moment` calls for.
    void sendScaleTuning(const std::array<std::uint8_t, midi::kPitchClasses>& data,
                         game::TuningMoment moment) override;

    // Writes the scale-tuning header (F0 41 10 42 12 40 11 40), the twelve data bytes given,
    // the checksum and F7 into the scale-tuning message.
    void fillScaleTuning(const std::array<std::uint8_t, midi::kPitchClasses>& data);
    // Sends the scale-tuning message: wait 300 ms, send, wait `waitAfter`, hand a failure to the
    // send-failure handler unless `failure` is Unsaid (at exit: the player can do nothing about
    // it, and a box would keep the program from ending). The waits pace only a port that needs
    // pacing (Port::needsPacing).
    enum class Failure { Shown, Unsaid };
    void sendScaleTuning(Wait waitAfter, Failure failure = Failure::Shown);
    // Sends the GS reset at once, then waits `waitAfter` on a port that needs pacing; then the
    // master tune kept, unless it is the 0 cents the reset has just set. The result is not kept.
    void sendGsReset(Wait waitAfter);

    const ScaleTuningMessage& scaleTuningMessage() const { return scaleTuning_; }
    // The open device's beat emphasis; null when the device makes its sound itself.
    BeatEmphasis* beatEmphasis() const { return port_ ? port_->beatEmphasis() : nullptr; }
    // What the open device can tell of an instrument's partials (Port::partials).
    std::optional<InstrumentPartials> partials(int bank, int program) const
    {
        return port_ ? port_->partials(bank, program) : std::nullopt;
    }
    // Keeps the master tune and sends it now (paced as a scale tuning) where a port is open.
    void sendMasterTune(double cents) override;
    bool offersOwnInstruments() const override { return port_ && port_->offersOwnInstruments(); }
    // The checksum of the scale-tuning message: over its address 40 11 40 and its data bytes.
    int scaleTuningChecksum() const;
    // The result of the latest scale-tuning send (or of the latest open).
    Result lastResult() const { return lastResult_; }

private:
    void pace(Wait wait);
    void sendScaleTuningNow(Wait waitAfter, Failure failure);
    void restoreReturnedDevice(bool tuningFollows);
    void sendShort(std::uint8_t status, int data1, int data2 = 0);
    void sendMasterTuneNow();

    DeviceList& devices_;
    game::Clock& clock_;
    std::unique_ptr<Port> port_; // none when an open failed
    Result lastResult_ = Result::Ok;
    ScaleTuningMessage scaleTuning_{};
    double masterTuneCents_ = 0;
    std::function<void()> onDeviceReturned_;
    std::function<void(Result)> onSendFailure_;
};

} // namespace output
