// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one keyboard: notes, pedal and reference A.
#include "windows/Keyboard.h"

#include "game/KeyMap.h"
#include "ui/ProgramKeys.h"

namespace {

// The reference A: A4, 440 Hz.
constexpr int kReferenceNote = 69;

} // namespace

Keyboard::Keyboard(midi::MidiOutput& output, game::Session& session) : output_(output), session_(session)
{
    // Space is the pedal and nothing else: it never reaches a button, so it never clicks one.
    new ui::ProgramKeys(this,
                        {.keyDown = [this](int key, const QWidget*) { keyDown(key); },
                         .keyUp = [this](int key, const QWidget* focused) { keyUp(key, focused); },
                         .keyboardLost = [this] { releaseAll(); }},
                        [](int key) { return key == game::kVkSpace; });
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
    if (key == game::kVkSpace && !pedalDown_) {
        pedalDown_ = true;
        output_.sendSustainPedal(midi::kKeysChannel, true);
    }
}

void Keyboard::keyUp(int key, const QWidget* focused)
{
    if (const auto index = game::MappedKeyIndex(key)) {
        heldKeys_[std::size_t(*index)] = false;
        releaseNote(game::NoteOfMappedKey(*index));
    }
    if (key == game::kVkSpace && pedalDown_) {
        pedalDown_ = false;
        output_.sendSustainPedal(midi::kKeysChannel, false);
    }
    // A key that sounded the reference A on "A音" and moved the focus away (Tab, an arrow) is
    // released on another control: its release still ends the reference A. A release that goes on
    // to "A音" ends it there.
    if (referenceKeyHeld_ && focused != referenceControl_)
        referenceKeyUp();
}

void Keyboard::releaseAll()
{
    for (std::size_t index = 0; index < heldKeys_.size(); ++index)
        if (std::exchange(heldKeys_[index], false))
            releaseNote(game::NoteOfMappedKey(int(index)));
    if (std::exchange(pedalDown_, false))
        output_.sendSustainPedal(midi::kKeysChannel, false);
    if (referenceKeyHeld_)
        referenceKeyUp();
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
