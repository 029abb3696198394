// SPDX-License-Identifier: GPL-3.0-or-later
// The GS messages, the Roland checksum and the send procedure with its fixed waits.
#include "port/MidiOutput.h"

#include "platform/Desktop.h"

#include <utility>

namespace midi {

const std::array<std::uint8_t, 11> kGsResetMessage =
    gs::DataSetMessage(gs::kResetAddress, std::array{gs::kResetValue});

MMRESULT MidiOutput::open(UINT deviceId)
{
    lastResult_ = midiOutOpen(&port_, deviceId);
    return lastResult_;
}

void MidiOutput::close()
{
    midiOutClose(port_);
}

void MidiOutput::reset()
{
    midiOutReset(port_);
}

// Points `header` at `bytes` afresh and prepares it, as before every send.
template <std::size_t N>
void MidiOutput::prepareHeader(MIDIHDR& header, const std::array<std::uint8_t, N>& bytes)
{
    header.dwBufferLength = N;
    header.lpData = bytes.data();
    midiOutPrepareHeader(port_, &header, sizeof(MIDIHDR));
}

void Pause(Wait wait)
{
    Sleep(DWORD(wait.count()));
}

// A fixed wait of the send procedure, for the ports that need it.
void MidiOutput::pace(Wait wait)
{
    if (platform::NeedsPacing(port_))
        Pause(wait);
}

void MidiOutput::sendScaleTuningNow(Wait waitAfter)
{
    prepareHeader(scaleTuningHeader_, scaleTuning_);
    pace(kWaitBeforeScaleTuning);
    lastResult_ = midiOutLongMsg(port_, &scaleTuningHeader_, sizeof(MIDIHDR));
    pace(waitAfter);
    ReportLongMsgError(lastResult_);
}

// `tuningFollows`: the message about to be sent is the scale tuning itself.
void MidiOutput::restoreReturnedDevice(bool tuningFollows)
{
    if (!platform::DeviceReturned(port_))
        return;
    sendGsReset(kWaitAfterGsResetAtSwitch);
    if (!tuningFollows && scaleTuning_.front() == kSystemExclusive) // filled at least once
        sendScaleTuningNow(kWaitAfterRetune);
    if (onDeviceReturned_)
        onDeviceReturned_();
}

void MidiOutput::sendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    restoreReturnedDevice(false);
    midiOutShortMsg(port_, ShortWord(status, data1, data2));
}

void MidiOutput::sendNoteOn(int channel, int note)
{
    sendShort(StatusOf(kNoteOn, channel), std::uint8_t(note), kNoteOnVelocity);
}

void MidiOutput::sendNoteOff(int channel, int note)
{
    sendShort(StatusOf(kNoteOff, channel), std::uint8_t(note), kNoteOffVelocity);
}

void MidiOutput::sendSustainPedal(int channel, bool down)
{
    sendShort(StatusOf(kControlChange, channel), kSustainPedal, down ? kHighestData : 0);
}

void MidiOutput::sendAllSoundOff(int channel)
{
    sendShort(StatusOf(kControlChange, channel), kAllSoundOff, 0);
}

void MidiOutput::sendProgramChange(int channel, int program)
{
    sendShort(StatusOf(kProgramChange, channel), std::uint8_t(program));
}

void MidiOutput::fillScaleTuning(const std::array<std::uint8_t, kPitchClasses>& data)
{
    scaleTuning_ = gs::DataSetMessage(gs::ScaleTuningAddress(gs::kPart1Block), data);
}

void MidiOutput::sendScaleTuning(Wait waitAfter)
{
    restoreReturnedDevice(true);
    sendScaleTuningNow(waitAfter);
}

int MidiOutput::scaleTuningChecksum() const
{
    return gs::ChecksumOf(std::span(scaleTuning_).subspan(gs::kAddressOffset, 3 + kPitchClasses));
}

void MidiOutput::sendGsReset(Wait waitAfter)
{
    prepareHeader(gsResetHeader_, kGsResetMessage);
    midiOutLongMsg(port_, &gsResetHeader_, sizeof(MIDIHDR));
    pace(waitAfter);
}

void ReportLongMsgError(MMRESULT result)
{
    const char* text = nullptr;
    QString explanation;
    switch (result) {
    case MIDIERR_NOTREADY:
        text = "error1";
        explanation = QStringLiteral(
            "ＭＩＤＩ機器との接続が切れて、調律を送れませんでした。機器やＪＡＣＫサーバーが"
            "戻れば次の操作でつなぎ直します。戻らないときはデバイス一覧から別の機器を選んでください。");
        break;
    case MIDIERR_UNPREPARED:
        text = "error2";
        explanation = QStringLiteral(
            "送信の準備ができていなかったので、調律を送れませんでした。もう一度操作してください。");
        break;
    case MMSYSERR_INVALHANDLE:
        text = "error3";
        explanation = QStringLiteral("ＭＩＤＩデバイスが開いていないので、調律を送れませんでした。"
                                     "デバイス一覧から使える機器を選んでください。");
        break;
    case MMSYSERR_INVALPARAM:
        text = "error4";
        explanation = QStringLiteral(
            "調律のデータを機器が受け付けませんでした。デバイス一覧から機器を選び直してください。");
        break;
    default:
        return;
    }
    platform::ShowMessage(QString::fromLatin1(text), explanation);
}

} // namespace midi
