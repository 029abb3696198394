// SPDX-License-Identifier: GPL-3.0-or-later
// Device 0, then the external ports.
#include "host/SystemDevices.h"

#include "host/BuiltinSynthLoader.h"
#include "output/ExternalDevices.h"

#include <QCoreApplication>

namespace host {

SystemDevices::SystemDevices(synth::SayToPlayer say)
    : say_(std::move(say)), synthFolders_(BuiltinSynthFolders(QCoreApplication::applicationDirPath())),
      firstList_(std::async(std::launch::async, &SystemDevices::listNow, this))
{
}

// A first list nobody took is waited for: its thread uses the members.
SystemDevices::~SystemDevices()
{
    if (firstList_.valid())
        firstList_.wait();
}

output::Devices SystemDevices::list()
{
    return firstList_.valid() ? firstList_.get() : listNow();
}

output::Devices SystemDevices::listNow() const
{
    output::Devices devices;
    devices.push_back(LoadBuiltinSynthDevice(synthFolders_, say_));
    for (auto* backend : {&output::EnumerateAlsaSequencerPorts, &output::EnumerateJackPorts})
        for (auto& device : backend())
            devices.push_back(std::move(device));
    return devices;
}

} // namespace host
