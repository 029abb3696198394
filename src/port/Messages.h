// SPDX-License-Identifier: GPL-3.0-or-later
// The one output port, the messages the game sends (notes, controllers, program changes, the GS
// reset and GS scale tuning), and the procedure by which system-exclusive messages are sent.
#pragma once

#include "midi/Midi.h"
#include "platform/WinMidi.h"
#include "port/ProgramState.h"

#include <array>
#include <cstdint>
#include <functional>

// The program-wide MIDI state lives in ProgramState.h: MidiOutPort, the one open output port
// shared by every window; MidiResult, the result of the latest scale-tuning send (and of the reopen
// attempts of a device switch); ScaleTuningMessage, the GS scale tuning of part 1 (MIDI channel 1):
// header, twelve data bytes C ... B, checksum, F7; and the two messages' headers.

// The Roland GS reset: F0 41 10 42 12 40 00 7F 00 41 F7.
extern const std::array<std::uint8_t, 11> GsResetMessage;

namespace midi {

// The channels the game plays: the detuned keys on MIDI channel 1, the reference A on channel 2.
constexpr int kKeysChannel = 0;
constexpr int kReferenceChannel = 1;
constexpr std::uint8_t kNoteOnVelocity = 100;
constexpr std::uint8_t kNoteOffVelocity = 127;

// Waits of the system-exclusive sends, in milliseconds.
constexpr DWORD kWaitBeforeScaleTuning = 300;
constexpr DWORD kWaitAfterNewChallenge = 1000; // also the reset at exit
constexpr DWORD kWaitAfterRetune = 10;
constexpr DWORD kWaitAfterGsResetAtStart = 100;
constexpr DWORD kWaitAfterGsResetAtSwitch = 200;

// A device that had gone away and is connected again (platform::DeviceReturned) has lost GS mode and the
// tuning. So before a short message or a scale tuning goes out, such a device first gets, once,
// the GS reset and then ScaleTuningMessage (every sender fills it before sending: it holds the
// current tuning), with the waits of a device switch; then `handler` runs. The main window sets
// it for its life, to tell the player.
void OnDeviceReturned(std::function<void()> handler);

// Sends a short message on MidiOutPort. No sender checks the result: a port that is not open
// stays silent.
void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2 = 0);

// The messages the game sends, by name; `channel` 0 is MIDI channel 1.
void SendNoteOn(int channel, int note);  // velocity 100
void SendNoteOff(int channel, int note); // velocity 127
void SendSustainPedal(int channel, bool down);
void SendAllSoundOff(int channel);
void SendProgramChange(int channel, int program);

// Writes the scale-tuning header (F0 41 10 42 12 40 11 40), the twelve data bytes given,
// the checksum and F7 into ScaleTuningMessage.
void FillScaleTuningMessage(const std::array<std::uint8_t, kPitchClasses>& data);

// Sends ScaleTuningMessage: prepare, wait 300 ms, send into MidiResult, wait `waitAfter`, report.
// The waits pace only a port that needs pacing (platform::NeedsPacing); the order stays.
void SendScaleTuningMessage(DWORD waitAfter);

} // namespace midi

// The checksum of ScaleTuningMessage: over its address 40 11 40 and its twelve data bytes.
int ScaleTuningChecksum();

// Sends GsResetMessage at once, then waits `waitAfter` milliseconds on a port that needs pacing.
// The result is not kept.
void SendGsReset(DWORD waitAfter);

// Shows the text of a long-message result: "error1" for 67, "error2" for 64, "error3" for 5,
// "error4" for 11, nothing for any other code; below it, what happened and what to do.
void ReportLongMsgError(std::int32_t result);
