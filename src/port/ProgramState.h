// SPDX-License-Identifier: GPL-3.0-or-later
// The program-wide variables of one run, in one place with their initial values. Each keeps the
// name the game's behaviour is described with and is used by that name (a reference into the one
// instance); a new run resets them all with one assignment.
#pragma once

#include "game/Challenge.h"
#include "game/IniDocument.h"
#include "game/SavedSettings.h"
#include "platform/WinMidi.h"

#include <QDateTime>

#include <array>
#include <cstdint>
#include <vector>

// The check run plays notes 60 ... 73 after the answer check.
constexpr std::int32_t kCheckRunFirstNote = 60;

struct ProgramWideState {
    // MIDI output (port/Messages.h).
    HMIDIOUT MidiOutPort = 0; // the one open output port; 0 when an open failed
    std::int32_t MidiResult = 0;
    MIDIHDR GsResetHeader{};
    std::array<std::uint8_t, 22> ScaleTuningMessage{};
    MIDIHDR ScaleTuningHeader{};

    // The main window (tessalyUnit1).
    std::int32_t SelectedDeviceId = 0;
    std::int32_t DeviceCount = 0;
    std::vector<std::int32_t> ListedDeviceIds;
    std::int32_t MapValue = game::kDefaultMapValue;
    game::IniDocument SettingsFile;
    QDateTime TuningStartTime;
    bool ReferenceToneUsed = false;
    bool BeatWindowUsed = false; // the beat window sounded an interval in this challenge
    std::int32_t CurrentNote = 0;
    std::array<bool, 20> KeyHeldFlags{};
    bool ReferenceKeyHeld = false;

    // The adjustment window (tessalyUnit2).
    game::DetuneArray DetuneTable{}; // the hidden detuning of the current challenge, cents, C ... B
    bool CheckRunActive = false;
    std::int32_t CheckRunNote = kCheckRunFirstNote;
    QDateTime TuningEndTime;
};

extern ProgramWideState ProgramWide;

inline HMIDIOUT& MidiOutPort = ProgramWide.MidiOutPort;
inline std::int32_t& MidiResult = ProgramWide.MidiResult;
inline MIDIHDR& GsResetHeader = ProgramWide.GsResetHeader;
inline std::array<std::uint8_t, 22>& ScaleTuningMessage = ProgramWide.ScaleTuningMessage;
inline MIDIHDR& ScaleTuningHeader = ProgramWide.ScaleTuningHeader;

inline std::int32_t& SelectedDeviceId = ProgramWide.SelectedDeviceId;
inline std::int32_t& DeviceCount = ProgramWide.DeviceCount;
inline std::vector<std::int32_t>& ListedDeviceIds = ProgramWide.ListedDeviceIds;
inline std::int32_t& MapValue = ProgramWide.MapValue;
inline game::IniDocument& SettingsFile = ProgramWide.SettingsFile;
inline QDateTime& TuningStartTime = ProgramWide.TuningStartTime;
inline bool& ReferenceToneUsed = ProgramWide.ReferenceToneUsed;
inline bool& BeatWindowUsed = ProgramWide.BeatWindowUsed;
inline std::int32_t& CurrentNote = ProgramWide.CurrentNote;
inline std::array<bool, 20>& KeyHeldFlags = ProgramWide.KeyHeldFlags;
inline bool& ReferenceKeyHeld = ProgramWide.ReferenceKeyHeld;

inline game::DetuneArray& DetuneTable = ProgramWide.DetuneTable;
inline bool& CheckRunActive = ProgramWide.CheckRunActive;
inline std::int32_t& CheckRunNote = ProgramWide.CheckRunNote;
inline QDateTime& TuningEndTime = ProgramWide.TuningEndTime;
