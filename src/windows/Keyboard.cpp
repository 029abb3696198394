// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one keyboard, as the widgets see it.
#include "windows/Keyboard.h"

namespace windows {
namespace {

using Kind = game::KeyRole::Kind;

// Space is the pedal and nothing else: it never reaches a button, so it never clicks one. A piano
// key never reaches a list, which would take it as a letter and move its selection.
bool GoesNoFurther(const ui::ProgramKeys::Key& key)
{
    return key.role.kind == Kind::Pedal || (key.role.kind == Kind::Note && ui::TakesLetters(key.focused));
}

} // namespace

Keyboard::Keyboard(game::Sound& sound, game::Session& session)
    : keys_(sound, {.noteSounding = [this](int note, bool sounding) { emit noteShown(note, sounding); },
                    .referenceSounded = [&session = session] { session.noteReferenceToneUsed(); }})
{
    new ui::ProgramKeys(this,
                        {.keyDown = [this](const ui::ProgramKeys::Key& key) { keyDown(key); },
                         .keyUp = [this](const ui::ProgramKeys::Key& key) { keyUp(key); },
                         .keyboardLost = [this] { releaseAll(); }},
                        GoesNoFurther);
}

void Keyboard::keyDown(const ui::ProgramKeys::Key& key)
{
    keys_.press(key.role);
    // "A音" sounds for its own key, as a button is pressed: Return or Enter, never a piano key.
    if (key.enter && key.focused && key.focused == referenceControl_)
        keys_.pressReferenceKey();
}

void Keyboard::keyUp(const ui::ProgramKeys::Key& key)
{
    keys_.release(key.role);
    // Wherever the focus went meanwhile, the release of Return ends the reference A it started.
    if (key.enter)
        keys_.releaseReferenceKey();
}

} // namespace windows
