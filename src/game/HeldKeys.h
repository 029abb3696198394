// SPDX-License-Identifier: GPL-3.0-or-later
// What the player holds down: the computer keys that sound, the sustain pedal and the reference A's
// key, played through the game's sound.
#pragma once

#include "game/KeyMap.h"
#include "game/Sound.h"

#include <bitset>
#include <functional>

namespace game {

class HeldKeys {
public:
    // Both are called synchronously, after the message has gone out.
    struct Listeners {
        // A note began or stopped sounding on the keys' channel: its on-screen key follows.
        std::function<void(int note, bool sounding)> noteSounding;
        // The reference A sounded: the challenge has used it.
        std::function<void()> referenceSounded;
    };
    HeldKeys(Sound& sound, Listeners listeners);

    // A computer key: a note or the pedal, sounded once while the key is held. A release ends
    // only what a press started: no note-off goes out for a note that does not sound.
    void press(KeyRole key);
    void release(KeyRole key);
    // The mouse on the on-screen key of `note`: the mouse holds it, not this.
    void pressNote(int note);
    void releaseNote(int note);
    // The reference A by the mouse on its button.
    void pressReference();
    void releaseReference();
    // The reference A by its button's key (Return or Enter): once while held; the key's release
    // ends it wherever the focus went.
    void pressReferenceKey();
    void releaseReferenceKey();
    // Every held key, the pedal and the reference A's key let go: the program lost the keyboard.
    void releaseAll();

private:
    Sound& sound_;
    Listeners listeners_;
    std::bitset<128> heldNotes_; // by MIDI note: the computer keys that sound
    bool pedalDown_ = false;
    bool referenceKeyHeld_ = false;
};

} // namespace game
