// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI output devices of this machine: the built-in synthesizer, then the ALSA-sequencer and
// JACK ports.
#pragma once

#include "output/DeviceList.h"
#include "synth/SayToPlayer.h"

#include <QStringList>

#include <future>

namespace host {

class SystemDevices {
public:
    // Starts the first list of devices on a thread of its own, of the devices there now: loading the
    // built-in synthesizer's module and asking the ALSA sequencer and JACK take some milliseconds,
    // which pass while the main window is being made. The synthesizer tells the player through `say`.
    explicit SystemDevices(synth::SayToPlayer say);
    ~SystemDevices();
    SystemDevices(const SystemDevices&) = delete;
    SystemDevices& operator=(const SystemDevices&) = delete;

    // The devices there now: the first list when it has not been taken yet.
    output::Devices list();

private:
    output::Devices listNow() const;

    synth::SayToPlayer say_;
    QStringList synthFolders_;
    std::future<output::Devices> firstList_;
};

} // namespace host
