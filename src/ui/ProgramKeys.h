// SPDX-License-Identifier: GPL-3.0-or-later
// The program's keys, wherever the focus is: every key press and release that reaches any of the
// program's windows, dialogs or menus, once each, as what each key is to the game.
#pragma once

#include "game/KeyMap.h"

#include <QObject>
#include <QWidget>

#include <functional>

namespace ui {

class ProgramKeys : public QObject {
    Q_OBJECT
public:
    // A key as the program's keyboard is handed it.
    struct Key {
        game::KeyRole role;               // a note, the pedal or nothing, by the key's place
        bool enter = false;               // Return or Enter: a focused button's own key
        const QWidget* focused = nullptr; // the control that has the focus in the window it reached
    };
    struct Handlers {
        // Presses without Alt, Ctrl or the logo key held: such a chord is a shortcut or nothing.
        std::function<void(const Key&)> keyDown;
        // Every release, chord or not: what a press started ends.
        std::function<void(const Key&)> keyUp;
        // The program no longer has the keyboard: another program's window or a modal box has it.
        std::function<void()> keyboardLost;
    };
    // `consumed`: the keys that go no further than the handlers, auto-repeats and chords included
    // (the space bar: the pedal and nothing else, never a button's click).
    ProgramKeys(QObject* parent, Handlers handlers, std::function<bool(const Key&)> consumed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusWindowChanged();

    Handlers handlers_;
    std::function<bool(const Key&)> consumed_;
};

// A control that takes a typed letter as the start of an item's name and moves its selection
// there: a list, a table, a drop-down list. The piano's keys must not reach it.
bool TakesLetters(const QWidget* control);

} // namespace ui
