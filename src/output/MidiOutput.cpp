// SPDX-License-Identifier: GPL-3.0-or-later
// The GS messages, the Roland checksum and the send procedure with its fixed waits.
#include "output/MidiOutput.h"

#include <utility>

namespace output {

const std::array<std::uint8_t, 11> kGsResetMessage =
    midi::gs::DataSetMessage(midi::gs::kResetAddress, std::array{midi::gs::kResetValue});

Result MidiOutput::open(int deviceId)
{
    lastResult_ = devices_.open(deviceId, port_);
    return lastResult_;
}

void MidiOutput::close()
{
    port_.reset();
}

void MidiOutput::reset()
{
    if (port_)
        port_->reset();
}

// A fixed wait of the send procedure, for the ports that need it; a port that is not open is
// paced as any device would be.
void MidiOutput::pace(Wait wait)
{
    if (!port_ || port_->needsPacing())
        clock_.sleep(wait);
}

void MidiOutput::sendScaleTuningNow(Wait waitAfter, Failure failure)
{
    pace(kWaitBeforeScaleTuning);
    lastResult_ = port_ ? port_->sendSysex(scaleTuning_) : Result::NotOpen;
    pace(waitAfter);
    if (failure == Failure::Shown && lastResult_ != Result::Ok && onSendFailure_)
        onSendFailure_(lastResult_);
}

// `tuningFollows`: the message about to be sent is the scale tuning itself.
void MidiOutput::restoreReturnedDevice(bool tuningFollows)
{
    if (!port_ || !port_->reconnect())
        return;
    sendGsReset(kWaitAfterGsResetAtSwitch);
    if (!tuningFollows && scaleTuning_.front() == midi::kSystemExclusive) // filled at least once
        sendScaleTuningNow(kWaitAfterRetune, Failure::Shown);
    if (onDeviceReturned_)
        onDeviceReturned_();
}

void MidiOutput::sendShort(std::uint8_t status, int data1, int data2)
{
    restoreReturnedDevice(false);
    if (port_)
        port_->sendShort(midi::ShortMessageOf(status, data1, data2));
}

void MidiOutput::sendNoteOn(int channel, int note)
{
    sendShort(midi::StatusOf(midi::kNoteOn, channel), note, kNoteOnVelocity);
}

void MidiOutput::sendNoteOff(int channel, int note)
{
    sendShort(midi::StatusOf(midi::kNoteOff, channel), note, kNoteOffVelocity);
}

void MidiOutput::sendSustainPedal(int channel, bool down)
{
    sendShort(midi::StatusOf(midi::kControlChange, channel), midi::kSustainPedal,
              down ? midi::kHighestData : 0);
}

void MidiOutput::sendAllSoundOff(int channel)
{
    sendShort(midi::StatusOf(midi::kControlChange, channel), midi::kAllSoundOff, 0);
}

void MidiOutput::sendProgramChange(int channel, int program)
{
    sendShort(midi::StatusOf(midi::kProgramChange, channel), program);
}

void MidiOutput::sendBankSelect(int channel, int bank)
{
    sendShort(midi::StatusOf(midi::kControlChange, channel), midi::kBankSelect, bank);
}

void MidiOutput::sendFineTuning(int channel, double cents)
{
    for (const midi::ControllerChange& change : midi::FineTuningControllers(cents))
        sendShort(midi::StatusOf(midi::kControlChange, channel), change.controller, change.value);
}

void MidiOutput::fillScaleTuning(const std::array<std::uint8_t, midi::kPitchClasses>& data)
{
    scaleTuning_ = midi::gs::DataSetMessage(midi::gs::ScaleTuningAddress(midi::gs::kPart1Block), data);
}

void MidiOutput::sendScaleTuning(Wait waitAfter, Failure failure)
{
    restoreReturnedDevice(true);
    sendScaleTuningNow(waitAfter, failure);
}

void MidiOutput::sendScaleTuning(const std::array<std::uint8_t, midi::kPitchClasses>& data,
                                 game::TuningMoment moment)
{
    fillScaleTuning(data);
    sendScaleTuning(moment == game::TuningMoment::NewChallenge ? kWaitAfterNewChallenge : kWaitAfterRetune);
}

int MidiOutput::scaleTuningChecksum() const
{
    return midi::gs::ChecksumOf(
        std::span(scaleTuning_).subspan(midi::gs::kAddressOffset, 3 + midi::kPitchClasses));
}

void MidiOutput::sendGsReset(Wait waitAfter)
{
    if (port_)
        port_->sendSysex(kGsResetMessage);
    pace(waitAfter);
    if (port_ && midi::gs::MasterTuneData(masterTuneCents_) != midi::gs::MasterTuneData(0))
        sendMasterTuneNow();
}

void MidiOutput::sendMasterTune(double cents)
{
    masterTuneCents_ = cents;
    if (port_)
        sendMasterTuneNow();
}

// Like the GS reset's, its result is not kept: the next scale tuning tells of a device that fails.
void MidiOutput::sendMasterTuneNow()
{
    pace(kWaitBeforeScaleTuning);
    port_->sendSysex(
        midi::gs::DataSetMessage(midi::gs::kMasterTuneAddress, midi::gs::MasterTuneData(masterTuneCents_)));
    pace(kWaitAfterMasterTune);
}

} // namespace output
