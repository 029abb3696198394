// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows multimedia MIDI-output calls and Sleep, offered on Linux under their own names.
#pragma once

#include <cstddef>
#include <cstdint>

using UINT = unsigned int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using MMRESULT = UINT;

// A port handle; 0 is the handle a failed open leaves behind.
using HMIDIOUT = std::uint32_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMSYSERR_HANDLEBUSY = 12;
constexpr MMRESULT MMSYSERR_INVALIDALIAS = 13;
constexpr MMRESULT MMSYSERR_LASTERROR = 20;
constexpr MMRESULT MIDIERR_UNPREPARED = 64;
constexpr MMRESULT MIDIERR_STILLPLAYING = 65;
constexpr MMRESULT MIDIERR_NOTREADY = 67;

// The output-capability record: 52 bytes, the name ending at its first zero byte.
struct MIDIOUTCAPSA {
    WORD wMid = 0;
    WORD wPid = 0;
    DWORD vDriverVersion = 0;
    char szPname[32] = {};
    WORD wTechnology = 0;
    WORD wVoices = 0;
    WORD wNotes = 0;
    WORD wChannelMask = 0;
    DWORD dwSupport = 0;
};
static_assert(sizeof(MIDIOUTCAPSA) == 52);

constexpr DWORD MHDR_PREPARED = 0x2;

// The header a system-exclusive buffer is handed over with. The program sets the data
// pointer and the length; the platform owns the flags.
struct MIDIHDR {
    const std::uint8_t* lpData = nullptr;
    DWORD dwBufferLength = 0;
    DWORD dwFlags = 0;
};

UINT midiOutGetNumDevs();
MMRESULT midiOutGetDevCapsA(UINT deviceId, MIDIOUTCAPSA* caps, UINT capsSize);
MMRESULT midiOutOpen(HMIDIOUT* handle, UINT deviceId, std::uintptr_t callback = 0,
                     std::uintptr_t instance = 0, DWORD flags = 0);
MMRESULT midiOutClose(HMIDIOUT handle);
MMRESULT midiOutReset(HMIDIOUT handle);
MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message);
MMRESULT midiOutPrepareHeader(HMIDIOUT handle, MIDIHDR* header, UINT headerSize);
MMRESULT midiOutLongMsg(HMIDIOUT handle, MIDIHDR* header, UINT headerSize);

// Blocks the calling (user-interface) thread; on the virtual clock in tests.
void Sleep(DWORD milliseconds);

namespace platform {
// Whether the port behind `handle` is paced by fixed waits; true for a handle that is not open,
// whose sends fail as they would on any device.
bool NeedsPacing(HMIDIOUT handle);
// Whether the device behind `handle` had gone away (an external port or its JACK server) and has
// now been found again by its name and connected anew. True once per return; the device has then
// lost whatever it was told before.
bool DeviceReturned(HMIDIOUT handle);
class BeatEmphasis;
// The emphasis of the port behind `handle` (see MidiDevice.h); null when it has none or is not open.
BeatEmphasis* BeatEmphasisOf(HMIDIOUT handle);
} // namespace platform
