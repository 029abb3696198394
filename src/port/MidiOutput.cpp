// SPDX-License-Identifier: GPL-3.0-or-later
// The GS messages, the Roland checksum and the send procedure with its fixed waits.
#include "port/MidiOutput.h"

#include "port/FailureBoxes.h"

#include <utility>

namespace midi {

const std::array<std::uint8_t, 11> kGsResetMessage =
    gs::DataSetMessage(gs::kResetAddress, std::array{gs::kResetValue});

Result MidiOutput::open(int deviceId)
{
    lastResult_ = port_.open(deviceId);
    return lastResult_;
}

void MidiOutput::close()
{
    port_.close();
}

void MidiOutput::reset()
{
    port_.reset();
}

void Pause(Wait wait)
{
    platform::Pause(wait);
}

// A fixed wait of the send procedure, for the ports that need it.
void MidiOutput::pace(Wait wait)
{
    if (port_.needsPacing())
        Pause(wait);
}

void MidiOutput::sendScaleTuningNow(Wait waitAfter, Failure failure)
{
    pace(kWaitBeforeScaleTuning);
    lastResult_ = port_.sendSysex(scaleTuning_);
    pace(waitAfter);
    if (failure == Failure::Shown)
        ShowSendFailure(lastResult_);
}

// `tuningFollows`: the message about to be sent is the scale tuning itself.
void MidiOutput::restoreReturnedDevice(bool tuningFollows)
{
    if (!port_.deviceReturned())
        return;
    sendGsReset(kWaitAfterGsResetAtSwitch);
    if (!tuningFollows && scaleTuning_.front() == kSystemExclusive) // filled at least once
        sendScaleTuningNow(kWaitAfterRetune, Failure::Shown);
    if (onDeviceReturned_)
        onDeviceReturned_();
}

void MidiOutput::sendNoteOn(int channel, int note)
{
    restoreReturnedDevice(false);
    port_.sendNoteOn(channel, note, kNoteOnVelocity);
}

void MidiOutput::sendNoteOff(int channel, int note)
{
    restoreReturnedDevice(false);
    port_.sendNoteOff(channel, note, kNoteOffVelocity);
}

void MidiOutput::sendSustainPedal(int channel, bool down)
{
    restoreReturnedDevice(false);
    port_.sendController(channel, kSustainPedal, down ? kHighestData : 0);
}

void MidiOutput::sendAllSoundOff(int channel)
{
    restoreReturnedDevice(false);
    port_.sendController(channel, kAllSoundOff, 0);
}

void MidiOutput::sendProgramChange(int channel, int program)
{
    restoreReturnedDevice(false);
    port_.sendProgram(channel, program);
}

void MidiOutput::sendBankSelect(int channel, int bank)
{
    restoreReturnedDevice(false);
    port_.sendController(channel, kBankSelect, bank);
}

void MidiOutput::fillScaleTuning(const std::array<std::uint8_t, kPitchClasses>& data)
{
    scaleTuning_ = gs::DataSetMessage(gs::ScaleTuningAddress(gs::kPart1Block), data);
}

void MidiOutput::sendScaleTuning(Wait waitAfter, Failure failure)
{
    restoreReturnedDevice(true);
    sendScaleTuningNow(waitAfter, failure);
}

int MidiOutput::scaleTuningChecksum() const
{
    return gs::ChecksumOf(std::span(scaleTuning_).subspan(gs::kAddressOffset, 3 + kPitchClasses));
}

void MidiOutput::sendGsReset(Wait waitAfter)
{
    port_.sendSysex(kGsResetMessage);
    pace(waitAfter);
}

} // namespace midi
