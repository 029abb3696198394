// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's own services: device 0, then the external ports; the real sleep and clock.
#include "desktop/DesktopSystem.h"

#include "desktop/BuiltinSynthLoader.h"
#include "platform/RtMidiDevices.h"

#include <QCoreApplication>
#include <QThread>

namespace desktop {

DesktopSystem::DesktopSystem()
    : synthFolders_(BuiltinSynthFolders(QCoreApplication::applicationDirPath())),
      firstList_(std::async(std::launch::async, &DesktopSystem::listDevices, this))
{
}

DesktopSystem::Devices DesktopSystem::enumerateMidiOutDevices()
{
    return firstList_.valid() ? firstList_.get() : listDevices();
}

DesktopSystem::Devices DesktopSystem::listDevices() const
{
    Devices devices;
    devices.push_back(LoadBuiltinSynthDevice(synthFolders_));
    for (auto* backend : {&platform::EnumerateAlsaSequencerPorts, &platform::EnumerateJackPorts})
        for (auto& device : backend())
            devices.push_back(std::move(device));
    return devices;
}

void DesktopSystem::sleep(std::chrono::milliseconds wait)
{
    QThread::msleep(static_cast<unsigned long>(wait.count()));
}

QDateTime DesktopSystem::now()
{
    return QDateTime::currentDateTime();
}

} // namespace desktop
