// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one keyboard: notes, pedal and reference A.
#include "windows/Keyboard.h"

#include "game/KeyMap.h"

namespace {

// The reference A: A4, 440 Hz.
constexpr int kReferenceNote = 69;

} // namespace

Keyboard::Keyboard(midi::MidiOutput& output, game::Session& session) : output_(output), session_(session)
{
}

void Keyboard::pressNote(int note)
{
    output_.sendNoteOn(midi::kKeysChannel, note);
    emit noteShown(note, true);
}

void Keyboard::releaseNote(int note)
{
    output_.sendNoteOff(midi::kKeysChannel, note);
    emit noteShown(note, false);
}

void Keyboard::keyDown(int key)
{
    if (const auto index = game::MappedKeyIndex(key)) {
        if (!heldKeys_[std::size_t(*index)]) {
            heldKeys_[std::size_t(*index)] = true;
            pressNote(game::NoteOfMappedKey(*index));
        }
    }
    if (key == game::kVkSpace)
        output_.sendSustainPedal(midi::kKeysChannel, true); // every auto-repeat presses the pedal again
}

void Keyboard::keyUp(int key)
{
    if (const auto index = game::MappedKeyIndex(key)) {
        heldKeys_[std::size_t(*index)] = false;
        releaseNote(game::NoteOfMappedKey(*index));
    }
    if (key == game::kVkSpace)
        output_.sendSustainPedal(midi::kKeysChannel, false);
}

void Keyboard::pressReference()
{
    output_.sendNoteOn(midi::kReferenceChannel, kReferenceNote);
    session_.noteReferenceToneUsed();
}

void Keyboard::releaseReference()
{
    output_.sendNoteOff(midi::kReferenceChannel, kReferenceNote);
}

void Keyboard::referenceKeyDown()
{
    if (referenceKeyHeld_)
        return;
    referenceKeyHeld_ = true;
    pressReference();
}

void Keyboard::referenceKeyUp()
{
    referenceKeyHeld_ = false;
    releaseReference();
}
