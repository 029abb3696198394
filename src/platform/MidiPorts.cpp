// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI output ports over the device table and the table of open ports of the system in force.
#include "platform/MidiPorts.h"

#include "midi/Midi.h"
#include "platform/System.h"

#include <algorithm>
#include <map>
#include <optional>

namespace platform {
namespace {

// The device list, enumerated on first use, and the open ports by handle.
struct MidiTables {
    std::optional<std::vector<std::unique_ptr<MidiOutDevice>>> devices;
    std::map<std::uint32_t, std::unique_ptr<OutputPort>> ports;
    std::uint32_t lastHandle = 0;

    std::vector<std::unique_ptr<MidiOutDevice>>& deviceList()
    {
        if (!devices)
            devices = CurrentSystem().enumerateMidiOutDevices();
        return *devices;
    }
    MidiOutDevice* device(int id)
    {
        auto& list = deviceList();
        return id >= 0 && std::size_t(id) < list.size() ? list[std::size_t(id)].get() : nullptr;
    }
    OutputPort* port(std::uint32_t handle)
    {
        auto found = ports.find(handle);
        return found == ports.end() ? nullptr : found->second.get();
    }
};

MidiTables& tables()
{
    static MidiTables instance;
    return instance;
}

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

void ForgetMidiTables()
{
    tables().ports.clear();
    tables().devices.reset();
}

int MidiOutDeviceCount()
{
    return int(tables().deviceList().size());
}

midi::Result QueryMidiOutDevice(int id, std::string& name)
{
    auto* device = tables().device(id);
    if (device == nullptr)
        return midi::Result::BadDeviceId;
    if (const midi::Result result = device->queryCapabilities(); result != midi::Result::Ok)
        return result;
    name = ShownDeviceName(device->name());
    return midi::Result::Ok;
}

midi::Result MidiOutPort::open(int deviceId)
{
    handle_ = 0;
    auto* device = tables().device(deviceId);
    if (device == nullptr)
        return midi::Result::BadDeviceId;
    std::unique_ptr<OutputPort> port;
    const midi::Result result = device->open(port);
    if (result != midi::Result::Ok)
        return result;
    if (!port)
        return midi::Result::Error;
    handle_ = ++tables().lastHandle;
    tables().ports.emplace(handle_, std::move(port));
    return midi::Result::Ok;
}

midi::Result MidiOutPort::close()
{
    return tables().ports.erase(handle_) == 1 ? midi::Result::Ok : midi::Result::InvalidHandle;
}

midi::Result MidiOutPort::reset()
{
    auto* port = tables().port(handle_);
    return port ? port->reset() : midi::Result::InvalidHandle;
}

midi::Result MidiOutPort::sendShort(std::uint8_t status, int data1, int data2)
{
    auto* port = tables().port(handle_);
    return port ? port->sendShort(midi::ShortWord(status, std::uint8_t(data1), std::uint8_t(data2)))
                : midi::Result::InvalidHandle;
}

midi::Result MidiOutPort::sendNoteOn(int channel, int note, int velocity)
{
    return sendShort(midi::StatusOf(midi::kNoteOn, channel), note, velocity);
}

midi::Result MidiOutPort::sendNoteOff(int channel, int note, int velocity)
{
    return sendShort(midi::StatusOf(midi::kNoteOff, channel), note, velocity);
}

midi::Result MidiOutPort::sendController(int channel, int controller, int value)
{
    return sendShort(midi::StatusOf(midi::kControlChange, channel), controller, value);
}

midi::Result MidiOutPort::sendProgram(int channel, int program)
{
    return sendShort(midi::StatusOf(midi::kProgramChange, channel), program, 0);
}

midi::Result MidiOutPort::sendSysex(std::span<const std::uint8_t> message)
{
    auto* port = tables().port(handle_);
    if (port == nullptr)
        return midi::Result::InvalidHandle;
    if (message.empty())
        return midi::Result::InvalidParameter;
    return port->sendLong(message);
}

bool MidiOutPort::needsPacing() const
{
    auto* port = tables().port(handle_);
    return port == nullptr || port->needsPacing();
}

BeatEmphasis* MidiOutPort::beatEmphasis() const
{
    auto* port = tables().port(handle_);
    return port ? port->beatEmphasis() : nullptr;
}

std::optional<InstrumentPartials> MidiOutPort::partials(int bank, int program) const
{
    auto* port = tables().port(handle_);
    return port ? port->partials(bank, program) : std::nullopt;
}

bool MidiOutPort::offersOwnInstruments() const
{
    auto* port = tables().port(handle_);
    return port && port->offersOwnInstruments();
}

bool MidiOutPort::deviceReturned()
{
    auto* port = tables().port(handle_);
    return port && port->reconnect();
}

void Pause(std::chrono::milliseconds wait)
{
    CurrentSystem().sleep(wait);
}

} // namespace platform
