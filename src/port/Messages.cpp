// SPDX-License-Identifier: GPL-3.0-or-later
// The GS messages, the Roland checksum and the send procedure with its fixed waits.
#include "port/Messages.h"

#include "platform/Desktop.h"

#include <utility>

const std::array<std::uint8_t, 11> GsResetMessage =
    midi::gs::DataSetMessage(midi::gs::kResetAddress, std::array{midi::gs::kResetValue});

namespace midi {
namespace {

// Points `header` at `bytes` afresh and prepares it, as before every send.
template <std::size_t N> void PrepareHeader(MIDIHDR& header, const std::array<std::uint8_t, N>& bytes)
{
    header.dwBufferLength = N;
    header.lpData = bytes.data();
    midiOutPrepareHeader(MidiOutPort, &header, sizeof(MIDIHDR));
}

// A fixed wait of the send procedure, for the ports that need it.
void Pace(DWORD milliseconds)
{
    if (platform::NeedsPacing(MidiOutPort))
        Sleep(milliseconds);
}

std::function<void()> onDeviceReturned; // the main window's, for its life

void SendScaleTuningNow(DWORD waitAfter)
{
    PrepareHeader(ScaleTuningHeader, ScaleTuningMessage);
    Pace(kWaitBeforeScaleTuning);
    MidiResult = static_cast<std::int32_t>(midiOutLongMsg(MidiOutPort, &ScaleTuningHeader, sizeof(MIDIHDR)));
    Pace(waitAfter);
    ReportLongMsgError(MidiResult);
}

// `tuningFollows`: the message about to be sent is the scale tuning itself.
void RestoreReturnedDevice(bool tuningFollows)
{
    if (!platform::DeviceReturned(MidiOutPort))
        return;
    SendGsReset(kWaitAfterGsResetAtSwitch);
    if (!tuningFollows && ScaleTuningMessage.front() == kSystemExclusive) // filled at least once
        SendScaleTuningNow(kWaitAfterRetune);
    if (onDeviceReturned)
        onDeviceReturned();
}

} // namespace

void OnDeviceReturned(std::function<void()> handler)
{
    onDeviceReturned = std::move(handler);
}

void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)
{
    RestoreReturnedDevice(false);
    midiOutShortMsg(MidiOutPort, ShortWord(status, data1, data2));
}

void SendNoteOn(int channel, int note)
{
    SendShort(StatusOf(kNoteOn, channel), std::uint8_t(note), kNoteOnVelocity);
}

void SendNoteOff(int channel, int note)
{
    SendShort(StatusOf(kNoteOff, channel), std::uint8_t(note), kNoteOffVelocity);
}

void SendSustainPedal(int channel, bool down)
{
    SendShort(StatusOf(kControlChange, channel), kSustainPedal, down ? kHighestData : 0);
}

void SendAllSoundOff(int channel)
{
    SendShort(StatusOf(kControlChange, channel), kAllSoundOff, 0);
}

void SendProgramChange(int channel, int program)
{
    SendShort(StatusOf(kProgramChange, channel), std::uint8_t(program));
}

void FillScaleTuningMessage(const std::array<std::uint8_t, kPitchClasses>& data)
{
    ScaleTuningMessage = gs::DataSetMessage(gs::ScaleTuningAddress(gs::kPart1Block), data);
}

void SendScaleTuningMessage(DWORD waitAfter)
{
    RestoreReturnedDevice(true);
    SendScaleTuningNow(waitAfter);
}

} // namespace midi

int ScaleTuningChecksum()
{
    return midi::gs::ChecksumOf(
        std::span(ScaleTuningMessage).subspan(midi::gs::kAddressOffset, 3 + midi::kPitchClasses));
}

void SendGsReset(DWORD waitAfter)
{
    midi::PrepareHeader(GsResetHeader, GsResetMessage);
    midiOutLongMsg(MidiOutPort, &GsResetHeader, sizeof(MIDIHDR));
    midi::Pace(waitAfter);
}

void ReportLongMsgError(std::int32_t result)
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
