// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI output devices of this run, in list order: device 0 is the built-in synthesizer, the
// external ports follow.
#pragma once

#include "output/Port.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace output {

using Devices = std::vector<std::unique_ptr<Device>>;
// Makes the list of the devices there now.
using ListDevices = std::function<Devices()>;

class DeviceList {
public:
    // `list` is asked once, when the list is first needed.
    explicit DeviceList(ListDevices list) : list_(std::move(list)) {}

    int count() { return int(devices().size()); }
    // The name of device `id` as the list shows it, cut to 31 bytes at a character boundary;
    // none when there is no such device or its capability query fails.
    std::optional<std::string> shownName(int id);
    // Opens device `id`: on success `port` holds its open port, else none.
    Result open(int id, std::unique_ptr<Port>& port);

private:
    Devices& devices();

    ListDevices list_;
    std::optional<Devices> devices_;
};

} // namespace output
