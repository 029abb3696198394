// SPDX-License-Identifier: GPL-3.0-or-later
// The device list, made on first use.
#include "output/DeviceList.h"

#include <algorithm>

namespace output {
namespace {

// The longest name the device list shows, in bytes. Settings files keep the name as shown, so a
// device keeps its entry across versions only while this stays 31.
constexpr std::size_t kLongestDeviceName = 31;

// `name` cut to the longest shown, at a UTF-8 character boundary.
std::string ShownDeviceName(const std::string& name)
{
    std::size_t length = std::min(name.size(), kLongestDeviceName);
    while (length > 0 && length < name.size() && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
        --length;
    return name.substr(0, length);
}

} // namespace

Devices& DeviceList::devices()
{
    if (!devices_)
        devices_ = list_ ? list_() : Devices();
    return *devices_;
}

std::optional<std::string> DeviceList::shownName(int id)
{
    if (id < 0 || id >= count())
        return std::nullopt;
    const Device& device = *devices()[std::size_t(id)];
    if (device.queryCapabilities() != Result::Ok)
        return std::nullopt;
    return ShownDeviceName(device.name());
}

Result DeviceList::open(int id, std::unique_ptr<Port>& port)
{
    port.reset();
    if (id < 0 || id >= count())
        return Result::NoSuchDevice;
    Result result = devices()[std::size_t(id)]->open(port);
    if (result == Result::Ok && !port)
        result = Result::Failed;
    if (result != Result::Ok)
        port.reset();
    return result;
}

} // namespace output
