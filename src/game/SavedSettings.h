// SPDX-License-Identifier: GPL-3.0-or-later
// The eight values the program keeps in its settings file: the main window's bounds and the MIDI
// output device; and the results board's address, which only the player writes there. Every
// section and key name is in SavedSettings.cpp, read beside written.
#pragma once

#include "game/IniDocument.h"
#include "game/ReferencePitch.h"
#include "game/WindowPlacement.h"

#include <QString>

#include <cstdint>

namespace game {

// The settings file's "map" value when it holds none.
constexpr std::int32_t kDefaultMapValue = 4;

struct SavedSettings {
    WindowBounds window;                                  // frame position and inside size of the main window
    std::int32_t deviceNumber = 0;                        // the device's position in the list
    QString deviceName;                                   // the name shown there
    std::int32_t mapValue = kDefaultMapValue;             // kept and written back; nothing else uses it
    std::int32_t referencePitch = kDefaultReferencePitch; // A4 in Hz: 440 ... 443
};

// The values in `document`, each missing or unusable one as on a first run: the window at
// 193, 159 with 345 × 246, device 0 named "none", map 4, A4 at 440 Hz.
SavedSettings ReadSavedSettings(const IniDocument& document);

// Writes the eight values into `document`, in the file's order.
void WriteSavedSettings(IniDocument& document, const SavedSettings& settings);

// The results board's address ([board] url): an http or https address, else empty. Only the
// player writes it; the program never does.
QString ReadBoardAddress(const IniDocument& document);

} // namespace game
