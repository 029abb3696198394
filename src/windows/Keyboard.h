// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one keyboard: the computer keys and the mouse on the on-screen keys play channel 1,
// space is the sustain pedal, "A音" sounds the reference A on channel 2 while the mouse or Return
// presses it. The keys play wherever the focus is among the program's windows, dialogs and menus;
// what the keyboard holds is released there too, and all of it when the program loses the keyboard.
#pragma once

#include "game/Session.h"
#include "game/Sound.h"
#include "ui/ProgramKeys.h"

#include <QObject>
#include <QWidget>

#include <bitset>

namespace windows {

class Keyboard : public QObject {
    Q_OBJECT
public:
    Keyboard(game::Sound& sound, game::Session& session);

    // A computer key pressed or released: a note, the pedal, or Return on "A音". A release ends
    // only what a press started: no note-off goes out for a note that does not sound.
    void keyDown(const ui::ProgramKeys::Key& key);
    void keyUp(const ui::ProgramKeys::Key& key);
    // The mouse on the on-screen key of this note.
    void pressNote(int note);
    void releaseNote(int note);
    // The reference A by the mouse on "A音".
    void pressReference();
    void releaseReference();
    // The control that sounds the reference A while Return or Enter presses it ("A音").
    void setReferenceControl(const QWidget* control) { referenceControl_ = control; }
    // Releases every held key, the pedal and the reference A.
    void releaseAll();
    // A note sounded by someone else (the beat window) is shown on its on-screen key.
    void showSounding(int note, bool sounding) { emit noteShown(note, sounding); }

signals:
    // The on-screen key of `note` is to be shown held or released.
    void noteShown(int note, bool held);

private:
    game::Sound& sound_;
    game::Session& session_;
    std::bitset<128> heldNotes_; // the computer keys that sound, by their notes
    bool pedalDown_ = false;
    bool referenceKeyHeld_ = false; // Return or Enter on "A音"
    const QWidget* referenceControl_ = nullptr;
};

} // namespace windows
