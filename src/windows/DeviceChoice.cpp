// SPDX-License-Identifier: GPL-3.0-or-later
// Listing, opening, switching and closing the output device.
#include "windows/DeviceChoice.h"

#include "windows/FailureBoxes.h"

#include <algorithm>

namespace windows {
namespace {

constexpr int kOpenAttempts = 6;
constexpr output::Wait kWaitBeforeOpenRetry{500};

// The old device's MIDI channel 10 falls silent before a device switch.
constexpr int kChannel10 = 9;

const QString kNoDeviceText = QStringLiteral("ＭＩＤＩ音源がないのでこのソフトは利用できません");
const QString kNoDeviceExplanation =
    QStringLiteral("ＭＩＤＩ音源ソフトかＭＩＤＩ機器を用意してから、もう一度起動してください。");

} // namespace

DeviceChoice::DeviceChoice(output::DeviceList& devices, output::MidiOutput& output, game::Session& session,
                           game::Clock& clock, Desktop& desktop)
    : devices_(devices), output_(output), session_(session), clock_(clock), desktop_(desktop)
{
    output_.onSendFailure([this](output::Result result) { ShowSendFailure(desktop_, result); });
}

DeviceChoice::~DeviceChoice()
{
    output_.onDeviceReturned(nullptr);
    output_.onSendFailure(nullptr);
}

bool DeviceChoice::anyDevice()
{
    if (devices_.count() > 0)
        return true;
    desktop_.messageBox(kNoDeviceText, kNoDeviceExplanation);
    return false;
}

void DeviceChoice::listDevices()
{
    names_.clear();
    deviceIds_.clear();
    for (int id = 0; id < devices_.count(); ++id)
        if (const auto name = devices_.shownName(id)) {
            deviceIds_.push_back(id);
            names_ << QString::fromStdString(*name);
        }
}

int DeviceChoice::deviceId() const
{
    return position_ >= 0 ? deviceIds_[std::size_t(position_)] : -1;
}

// The saved number is tried as a list position; when the name there is not the saved name, the
// first entry bearing that name is chosen, so a device is kept when the numbering moves. When
// every device failed its capability query there is nothing to open.
void DeviceChoice::start(int savedPosition, const QString& savedName)
{
    listDevices();
    if (!names_.isEmpty()) {
        position_ = savedPosition >= 0 && savedPosition < names_.size() ? savedPosition : 0;
        if (names_[position_] != savedName)
            position_ = std::max(0, int(names_.indexOf(savedName)));
        session_.setDeviceName(names_[position_]);
    }
    ShowOpenFailure(desktop_, openWithRetry(), OpenMoment::StartUp);
    output_.sendGsReset(output::kWaitAfterGsResetAtStart);
    session_.deviceReset();
    output_.onDeviceReturned([this] { emit deviceReturned(); });
}

output::Result DeviceChoice::openWithRetry()
{
    output::Result result = output_.open(deviceId());
    for (int retry = 1; retry < kOpenAttempts && result != output::Result::Ok; ++retry) {
        output_.close();
        clock_.sleep(kWaitBeforeOpenRetry);
        result = output_.open(deviceId());
    }
    return result;
}

void DeviceChoice::choose(int position)
{
    output_.sendAllSoundOff(kChannel10);
    output_.close();
    position_ = position;
    session_.setDeviceName(names_[position_]);
    ShowOpenFailure(desktop_, openWithRetry(), OpenMoment::DeviceSwitch);
    output_.reset();
    output_.sendGsReset(output::kWaitAfterGsResetAtSwitch);
    session_.deviceReset();
    session_.resendTuning();
}

void DeviceChoice::finish()
{
    // A device the run tuned to another A4 goes back to 440 Hz for whatever plays it next.
    if (session_.referencePitch() != game::kDefaultReferencePitch)
        output_.sendMasterTune(0);
    std::array<std::uint8_t, midi::kPitchClasses> equalTemperament;
    equalTemperament.fill(midi::gs::kScaleTuningCentre);
    output_.fillScaleTuning(equalTemperament);
    output_.sendScaleTuning(output::kWaitAfterNewChallenge, output::MidiOutput::Failure::Unsaid);
    output_.close();
}

} // namespace windows
