// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's own services: the built-in synthesizer, ALSA-sequencer and JACK ports, the real clock.
#pragma once

#include "platform/System.h"

#include <QStringList>

#include <future>

namespace desktop {

class DesktopSystem final : public platform::System {
public:
    using Devices = std::vector<std::unique_ptr<platform::MidiOutDevice>>;

    // Starts the first list of devices on a thread of its own, of the devices there now: loading the
    // built-in synthesizer's module and asking the ALSA sequencer and JACK take some milliseconds,
    // which pass while the main window is being made.
    DesktopSystem();

    Devices enumerateMidiOutDevices() override;
    void sleep(std::chrono::milliseconds wait) override;
    QDateTime now() override;

private:
    Devices listDevices() const;

    QStringList synthFolders_;
    std::future<Devices> firstList_;
};

} // namespace desktop
