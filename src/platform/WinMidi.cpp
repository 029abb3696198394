// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI-output calls over the device table and the handle table of the system in force.
#include "platform/WinMidi.h"

#include "platform/System.h"

#include <map>
#include <optional>

namespace platform {
namespace {

// The device list, enumerated on first use, and the open ports by handle.
struct MidiTables {
    std::optional<std::vector<std::unique_ptr<MidiOutDevice>>> devices;
    std::map<HMIDIOUT, std::unique_ptr<OutputPort>> ports;
    HMIDIOUT lastHandle = 0;

    std::vector<std::unique_ptr<MidiOutDevice>>& deviceList()
    {
        if (!devices)
            devices = CurrentSystem().enumerateMidiOutDevices();
        return *devices;
    }
    MidiOutDevice* device(UINT id)
    {
        auto& list = deviceList();
        return id < list.size() ? list[id].get() : nullptr;
    }
    OutputPort* port(HMIDIOUT handle)
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

// Copies `name` into the 32-byte field, cut at a UTF-8 character boundary and zero-ended.
void copyDeviceName(const std::string& name, char (&field)[32])
{
    std::size_t length = std::min(name.size(), sizeof field - 1);
    while (length > 0 && length < name.size() && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
        --length;
    name.copy(field, length);
    field[length] = '\0';
}

} // namespace

void ForgetMidiTables()
{
    tables().ports.clear();
    tables().devices.reset();
}

} // namespace platform

using platform::tables;

UINT midiOutGetNumDevs()
{
    return static_cast<UINT>(tables().deviceList().size());
}

MMRESULT midiOutGetDevCapsA(UINT deviceId, MIDIOUTCAPSA* caps, UINT capsSize)
{
    if (caps == nullptr || capsSize < sizeof(MIDIOUTCAPSA))
        return MMSYSERR_INVALPARAM;
    auto* device = tables().device(deviceId);
    if (device == nullptr)
        return MMSYSERR_BADDEVICEID;
    if (MMRESULT result = device->queryCapabilities(); result != MMSYSERR_NOERROR)
        return result;
    *caps = MIDIOUTCAPSA{};
    platform::copyDeviceName(device->name(), caps->szPname);
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutOpen(HMIDIOUT* handle, UINT deviceId, std::uintptr_t, std::uintptr_t, DWORD)
{
    if (handle == nullptr)
        return MMSYSERR_INVALPARAM;
    *handle = 0;
    auto* device = tables().device(deviceId);
    if (device == nullptr)
        return MMSYSERR_BADDEVICEID;
    std::unique_ptr<platform::OutputPort> port;
    MMRESULT result = device->open(port);
    if (result != MMSYSERR_NOERROR)
        return result;
    if (!port)
        return MMSYSERR_ERROR;
    *handle = ++tables().lastHandle;
    tables().ports.emplace(*handle, std::move(port));
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutClose(HMIDIOUT handle)
{
    return tables().ports.erase(handle) == 1 ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT midiOutReset(HMIDIOUT handle)
{
    auto* port = tables().port(handle);
    return port ? port->reset() : MMSYSERR_INVALHANDLE;
}

MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message)
{
    auto* port = tables().port(handle);
    return port ? port->sendShort(message) : MMSYSERR_INVALHANDLE;
}

MMRESULT midiOutPrepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT headerSize)
{
    if (tables().port(handle) == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->lpData == nullptr || headerSize < sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT midiOutLongMsg(HMIDIOUT handle, MIDIHDR* header, UINT headerSize)
{
    auto* port = tables().port(handle);
    if (port == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || header->lpData == nullptr || header->dwBufferLength == 0 ||
        headerSize < sizeof(MIDIHDR))
        return MMSYSERR_INVALPARAM;
    if ((header->dwFlags & MHDR_PREPARED) == 0)
        return MIDIERR_UNPREPARED;
    return port->sendLong({header->lpData, header->dwBufferLength});
}

void Sleep(DWORD milliseconds)
{
    platform::CurrentSystem().sleep(milliseconds);
}

bool platform::NeedsPacing(HMIDIOUT handle)
{
    auto* port = tables().port(handle);
    return port == nullptr || port->needsPacing();
}

platform::BeatEmphasis* platform::BeatEmphasisOf(HMIDIOUT handle)
{
    auto* port = tables().port(handle);
    return port ? port->beatEmphasis() : nullptr;
}

bool platform::DeviceReturned(HMIDIOUT handle)
{
    auto* port = tables().port(handle);
    return port && port->reconnect();
}
