// SPDX-License-Identifier: GPL-3.0-or-later
// The program's keys, wherever the focus is.
#include "ui/ProgramKeys.h"

#include "ui/X11Keyboard.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace ui {
namespace {

QWidget* WidgetOf(const QWindow* window)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window)
            return widget;
    return nullptr;
}

// A modal box or a file dialog: it takes the keyboard from the game while it is open.
bool IsBox(const QWindow* window)
{
    return qobject_cast<QDialog*>(WidgetOf(window)) != nullptr;
}

// Alt, Ctrl or the logo key held: the press belongs to a shortcut (a menu's or a button's
// mnemonic, the window manager's Alt+F4), or to nothing.
bool IsChord(const QKeyEvent& event)
{
    return event.modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
}

bool IsEnter(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

} // namespace

bool TakesLetters(const QWidget* control)
{
    return qobject_cast<const QAbstractItemView*>(control) || qobject_cast<const QComboBox*>(control);
}

ProgramKeys::ProgramKeys(QObject* parent, Handlers handlers, std::function<bool(const Key&)> consumed)
    : QObject(parent), handlers_(std::move(handlers)), consumed_(std::move(consumed))
{
    UseDetectableAutoRepeat();
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &ProgramKeys::focusWindowChanged);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            handlers_.keyboardLost();
    });
}

void ProgramKeys::focusWindowChanged()
{
    const QWindow* focus = QGuiApplication::focusWindow();
    if (!focus || IsBox(focus))
        handlers_.keyboardLost();
}

// A key reaches the window first, then the focused control and its parents: taking it at the
// window sees it once. Auto-repeats are never handed on; the handlers see one press, one release.
bool ProgramKeys::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWindowType())
        return QObject::eventFilter(watched, event);
    if (IsBox(static_cast<QWindow*>(watched)))
        return QObject::eventFilter(watched, event);
    const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
    const QWidget* widget = WidgetOf(static_cast<QWindow*>(watched));
    const Key key{.role = game::RoleOfKey(keyEvent.nativeScanCode(), keyEvent.key()),
                  .enter = IsEnter(keyEvent),
                  .focused = widget ? widget->focusWidget() : nullptr};
    if (!keyEvent.isAutoRepeat()) {
        if (type == QEvent::KeyRelease)
            handlers_.keyUp(key);
        else if (!IsChord(keyEvent))
            handlers_.keyDown(key);
    }
    return consumed_(key) || QObject::eventFilter(watched, event);
}

} // namespace ui
