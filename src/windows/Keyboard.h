// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one keyboard, as the widgets see it: the computer keys and the mouse on the
// on-screen keys play channel 1, space is the sustain pedal, "A音" sounds the reference A on
// channel 2 while the mouse or Return presses it. What is held is the game's (game::HeldKeys);
// here are what needs widgets: the focused control, "A音" as the control Return presses, and the
// on-screen keys' display.
#pragma once

#include "game/HeldKeys.h"
#include "game/Session.h"
#include "game/Sound.h"
#include "ui/ProgramKeys.h"

#include <QObject>
#include <QWidget>

namespace windows {

class Keyboard : public QObject {
    Q_OBJECT
public:
    Keyboard(game::Sound& sound, game::Session& session);

    // A computer key pressed or released: a note, the pedal, or Return on "A音".
    void keyDown(const ui::ProgramKeys::Key& key);
    void keyUp(const ui::ProgramKeys::Key& key);
    // The mouse on the on-screen key of this note.
    void pressNote(int note) { keys_.pressNote(note); }
    void releaseNote(int note) { keys_.releaseNote(note); }
    // The reference A by the mouse on "A音".
    void pressReference() { keys_.pressReference(); }
    void releaseReference() { keys_.releaseReference(); }
    // The control that sounds the reference A while Return or Enter presses it ("A音").
    void setReferenceControl(const QWidget* control) { referenceControl_ = control; }
    // Releases every held key, the pedal and the reference A.
    void releaseAll() { keys_.releaseAll(); }
    // A note sounded by someone else (the beat window) is shown on its on-screen key.
    void showSounding(int note, bool sounding) { emit noteShown(note, sounding); }

signals:
    // The on-screen key of `note` is to be shown held or released.
    void noteShown(int note, bool held);

private:
    game::HeldKeys keys_;
    const QWidget* referenceControl_ = nullptr;
};

} // namespace windows
