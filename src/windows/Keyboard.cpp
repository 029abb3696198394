// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one keyboard: notes, pedal and reference A.
#include "windows/Keyboard.h"

#include "game/KeyMap.h"
#include "ui/ProgramKeys.h"

#include <utility>

namespace windows {

namespace {

// The reference A: A4, 440 Hz.
constexpr int kReferenceNote = 69;

using Kind = game::KeyRole::Kind;

} // namespace

Keyboard::Keyboard(game::Sound& sound, game::Session& session) : sound_(sound), session_(session)
{
    // Space is the pedal and nothing else: it never reaches a button, so it never clicks one. A
    // piano key never reaches a list, which would take it as a letter and move its selection.
    new ui::ProgramKeys(this,
                        {.keyDown = [this](const ui::ProgramKeys::Key& key) { keyDown(key); },
                         .keyUp = [this](const ui::ProgramKeys::Key& key) { keyUp(key); },
                         .keyboardLost = [this] { releaseAll(); }},
                        [](const ui::ProgramKeys::Key& key) {
                            return key.role.kind == Kind::Pedal ||
                                   (key.role.kind == Kind::Note && ui::TakesLetters(key.focused));
                        });
}

void Keyboard::pressNote(int note)
{
    sound_.sendNoteOn(game::kKeysChannel, note);
    emit noteShown(note, true);
}

void Keyboard::releaseNote(int note)
{
    sound_.sendNoteOff(game::kKeysChannel, note);
    emit noteShown(note, false);
}

void Keyboard::keyDown(const ui::ProgramKeys::Key& key)
{
    if (key.role.kind == Kind::Note && !heldNotes_.test(std::size_t(key.role.note))) {
        heldNotes_.set(std::size_t(key.role.note));
        pressNote(key.role.note);
    }
    if (key.role.kind == Kind::Pedal && !pedalDown_) {
        pedalDown_ = true;
        sound_.sendSustainPedal(game::kKeysChannel, true);
    }
    // "A音" sounds for its own key, as a button is pressed: Return or Enter, never a piano key.
    if (key.enter && key.focused && key.focused == referenceControl_ && !referenceKeyHeld_) {
        referenceKeyHeld_ = true;
        pressReference();
    }
}

void Keyboard::keyUp(const ui::ProgramKeys::Key& key)
{
    if (key.role.kind == Kind::Note && heldNotes_.test(std::size_t(key.role.note))) {
        heldNotes_.reset(std::size_t(key.role.note));
        releaseNote(key.role.note);
    }
    if (key.role.kind == Kind::Pedal && std::exchange(pedalDown_, false))
        sound_.sendSustainPedal(game::kKeysChannel, false);
    // Wherever the focus went meanwhile, the release of Return ends the reference A it started.
    if (key.enter && std::exchange(referenceKeyHeld_, false))
        releaseReference();
}

void Keyboard::releaseAll()
{
    for (std::size_t note = 0; note < heldNotes_.size(); ++note)
        if (heldNotes_.test(note)) {
            heldNotes_.reset(note);
            releaseNote(int(note));
        }
    if (std::exchange(pedalDown_, false))
        sound_.sendSustainPedal(game::kKeysChannel, false);
    if (std::exchange(referenceKeyHeld_, false))
        releaseReference();
}

void Keyboard::pressReference()
{
    sound_.sendNoteOn(game::kReferenceChannel, kReferenceNote);
    session_.noteReferenceToneUsed();
}

void Keyboard::releaseReference()
{
    sound_.sendNoteOff(game::kReferenceChannel, kReferenceNote);
}

} // namespace windows
