// SPDX-License-Identifier: GPL-3.0-or-later
// The two-octave keyboard and the computer keys that play it: key table and key map as data.
#pragma once

#include <array>

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

// What a computer key is to the game: a playing key (its note), the sustain pedal (the space
// bar), or nothing.
struct KeyRole {
    enum class Kind { Nothing, Note, Pedal };
    Kind kind = Kind::Nothing;
    int note = 0; // a playing key's MIDI note, 53 ... 72
    bool operator==(const KeyRole&) const = default;
};
// By the key's place, its X11 key code (evdev code + 8), so that the Japanese layout's rows play
// on any layout; an event without one (Qt's offscreen platform gives none) by its Qt key.
KeyRole RoleOfKey(unsigned x11KeyCode, int qtKey);

} // namespace game
