// The GS messages, the Roland checksum and the send procedure with its fixed waits.
#include "midi/Messages.h"

#include "ui/Desktop.h"

#include <numeric>
#include <utility>

HMIDIOUT MidiOutPort = 0;
std::int32_t MidiResult = 0;

const std::array<std::uint8_t, 11> GsResetMessage = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                                     0x00, 0x7F, 0x00, 0x41, 0xF7};
MIDIHDR GsResetHeader;

std::array<std::uint8_t, 22> ScaleTuningMessage = {};
MIDIHDR ScaleTuningHeader;

namespace midi {
namespace {

constexpr std::array<std::uint8_t, kScaleTuningDataOffset> kScaleTuningHead = {0xF0, 0x41, 0x10, 0x42,
                                                                               0x12, 0x40, 0x11, 0x40};
// The three address bytes 40 11 40, summed.
constexpr int kScaleTuningAddressSum = 0x40 + 0x11 + 0x40;

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
    if (!tuningFollows && ScaleTuningMessage.front() == 0xF0) // filled at least once
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
    midiOutShortMsg(MidiOutPort, ShortMessage(status, data1, data2));
}

std::uint8_t RolandChecksum(int sumOfAddressAndData)
{
    const int remainder = sumOfAddressAndData % 128;
    return static_cast<std::uint8_t>(remainder == 0 ? 0 : 128 - remainder);
}

void FillScaleTuningMessage(const std::array<std::uint8_t, kPitchClasses>& data)
{
    std::copy(kScaleTuningHead.begin(), kScaleTuningHead.end(), ScaleTuningMessage.begin());
    std::copy(data.begin(), data.end(), ScaleTuningMessage.begin() + kScaleTuningDataOffset);
    ScaleTuningMessage[kScaleTuningChecksumOffset] = static_cast<std::uint8_t>(ScaleTuningChecksum());
    ScaleTuningMessage[kScaleTuningChecksumOffset + 1] = 0xF7;
}

void SendScaleTuningMessage(DWORD waitAfter)
{
    RestoreReturnedDevice(true);
    SendScaleTuningNow(waitAfter);
}

} // namespace midi

int ScaleTuningChecksum()
{
    const auto data = ScaleTuningMessage.begin() + midi::kScaleTuningDataOffset;
    return midi::RolandChecksum(
        std::accumulate(data, data + midi::kPitchClasses, midi::kScaleTuningAddressSum));
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
        explanation = QStringLiteral("ＭＩＤＩ機器との接続が切れて、調律を送れませんでした。機器やＪＡＣＫサーバーが"
                                     "戻れば次の操作でつなぎ直します。戻らないときはデバイス一覧から別の機器を選んでください。");
        break;
    case MIDIERR_UNPREPARED:
        text = "error2";
        explanation = QStringLiteral("送信の準備ができていなかったので、調律を送れませんでした。もう一度操作してください。");
        break;
    case MMSYSERR_INVALHANDLE:
        text = "error3";
        explanation = QStringLiteral("ＭＩＤＩデバイスが開いていないので、調律を送れませんでした。"
                                     "デバイス一覧から使える機器を選んでください。");
        break;
    case MMSYSERR_INVALPARAM:
        text = "error4";
        explanation = QStringLiteral("調律のデータを機器が受け付けませんでした。デバイス一覧から機器を選び直してください。");
        break;
    default:
        return;
    }
    ui::ShowMessage(QString::fromLatin1(text), explanation);
}
