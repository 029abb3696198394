// SPDX-License-Identifier: GPL-3.0-or-later
// The program's keys, wherever the focus is: every key press and release that reaches any of the
// program's windows, dialogs or menus, once each, as virtual-key codes.
#pragma once

#include <QObject>
#include <QWidget>

#include <functional>

namespace ui {

class ProgramKeys : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        // A key and the control that has the focus in the window it reached.
        std::function<void(int, const QWidget*)> keyDown;
        std::function<void(int, const QWidget*)> keyUp;
        // The program no longer has the keyboard: another program's window or a modal box has it.
        std::function<void()> keyboardLost;
    };
    // `consumed`: the keys that go no further than the handlers (the space bar: the pedal and
    // nothing else, never a button's click).
    ProgramKeys(QObject* parent, Handlers handlers, std::function<bool(int)> consumed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusWindowChanged();

    Handlers handlers_;
    std::function<bool(int)> consumed_;
};

} // namespace ui
