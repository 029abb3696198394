// SPDX-License-Identifier: GPL-3.0-or-later
// The services a benchmark or test hands to the real program in place of the machine's: a device
// list of its own making and the wall clock, with or without the waits.
#pragma once

#include "game/Clock.h"
#include "output/DeviceList.h"

#include <QThread>

#include <functional>
#include <memory>
#include <string>

namespace testing {

// The wall clock; `waits` false skips every wait, so that only the program's own work is timed.
class WallClock final : public game::Clock {
public:
    explicit WallClock(bool waits) : waits_(waits) {}
    QDateTime now() override { return QDateTime::currentDateTime(); }
    void sleep(std::chrono::milliseconds wait) override
    {
        if (waits_)
            QThread::msleep(static_cast<unsigned long>(wait.count()));
    }

private:
    bool waits_;
};

// A listed device named `name` that opens the port `makePort` makes.
class MadeDevice final : public output::Device {
public:
    MadeDevice(std::string name, std::function<std::unique_ptr<output::Port>()> makePort)
        : name_(std::move(name)), makePort_(std::move(makePort))
    {
    }
    std::string name() const override { return name_; }
    output::Result open(std::unique_ptr<output::Port>& port) override
    {
        port = makePort_();
        return output::Result::Ok;
    }

private:
    std::string name_;
    std::function<std::unique_ptr<output::Port>()> makePort_;
};

// A device list of that one device.
inline output::ListDevices OneDevice(std::string name,
                                     std::function<std::unique_ptr<output::Port>()> makePort)
{
    return [name = std::move(name), makePort = std::move(makePort)] {
        output::Devices devices;
        devices.push_back(std::make_unique<MadeDevice>(name, makePort));
        return devices;
    };
}

} // namespace testing
