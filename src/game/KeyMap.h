// SPDX-License-Identifier: GPL-3.0-or-later
// The two-octave keyboard and the computer keys that play it: key table and key map as data.
#pragma once

#include <array>
#include <optional>

namespace game {

struct PianoKey {
    int shape;  // the on-screen key is Shape<shape>, 1 ... 24
    int left;   // pixels from the keyboard's left edge
    int note;   // MIDI note, middle C = 60
    bool black; // black keys are narrower, shorter and lie above the white ones
};

// The 24 keys, F3 (53) to E5 (76), in note order.
const std::array<PianoKey, 24>& PianoKeys();
// The key with this shape number (1 ... 24); a stand-in with shape 0 and note 0 for any other.
const PianoKey& PianoKeyOfShape(int shape);

constexpr int kWhiteKeyWidth = 25, kWhiteKeyHeight = 105;
constexpr int kBlackKeyWidth = 17, kBlackKeyHeight = 65;

// The virtual-key codes the windows react to besides the playing keys.
constexpr int kVkSpace = 0x20;

// A computer key that plays the keyboard: its virtual-key code, and where it sits as its X11 key
// code (evdev code + 8), so that the Japanese layout's rows play on any layout.
struct PlayingKey {
    int virtualKey;
    int x11KeyCode;
};
// The 20 playing keys in note order (53 ... 72).
const std::array<PlayingKey, 20>& PlayingKeys();
// The index 0 ... 19 of a virtual-key code among the playing keys, if it is one.
std::optional<int> MappedKeyIndex(int virtualKey);
// The note of mapped key `index`: 53 + index.
int NoteOfMappedKey(int index);

} // namespace game
