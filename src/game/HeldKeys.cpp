// SPDX-License-Identifier: GPL-3.0-or-later
// What the player holds down, played through the game's sound.
#include "game/HeldKeys.h"

#include <utility>

namespace game {
namespace {

// The reference A: A4, 440 Hz.
constexpr int kReferenceNote = 69;

} // namespace

HeldKeys::HeldKeys(Sound& sound, Listeners listeners) : sound_(sound), listeners_(std::move(listeners))
{
}

void HeldKeys::press(KeyRole key)
{
    if (key.kind == KeyRole::Kind::Note && !heldNotes_.test(std::size_t(key.note))) {
        heldNotes_.set(std::size_t(key.note));
        pressNote(key.note);
    }
    if (key.kind == KeyRole::Kind::Pedal && !std::exchange(pedalDown_, true))
        sound_.sendSustainPedal(kKeysChannel, true);
}

void HeldKeys::release(KeyRole key)
{
    if (key.kind == KeyRole::Kind::Note && heldNotes_.test(std::size_t(key.note))) {
        heldNotes_.reset(std::size_t(key.note));
        releaseNote(key.note);
    }
    if (key.kind == KeyRole::Kind::Pedal && std::exchange(pedalDown_, false))
        sound_.sendSustainPedal(kKeysChannel, false);
}

void HeldKeys::pressNote(int note)
{
    sound_.sendNoteOn(kKeysChannel, note);
    listeners_.noteSounding(note, true);
}

void HeldKeys::releaseNote(int note)
{
    sound_.sendNoteOff(kKeysChannel, note);
    listeners_.noteSounding(note, false);
}

void HeldKeys::pressReference()
{
    sound_.sendNoteOn(kReferenceChannel, kReferenceNote);
    listeners_.referenceSounded();
}

void HeldKeys::releaseReference()
{
    sound_.sendNoteOff(kReferenceChannel, kReferenceNote);
}

void HeldKeys::pressReferenceKey()
{
    if (!std::exchange(referenceKeyHeld_, true))
        pressReference();
}

void HeldKeys::releaseReferenceKey()
{
    if (std::exchange(referenceKeyHeld_, false))
        releaseReference();
}

// Notes from the lowest up, then the pedal, then the reference A.
void HeldKeys::releaseAll()
{
    for (std::size_t note = 0; note < heldNotes_.size(); ++note)
        if (heldNotes_.test(note))
            release({.kind = KeyRole::Kind::Note, .note = int(note)});
    release({.kind = KeyRole::Kind::Pedal});
    releaseReferenceKey();
}

} // namespace game
