// SPDX-License-Identifier: GPL-3.0-or-later
// The program's keys, wherever the focus is.
#include "ui/ProgramKeys.h"

#include "ui/VirtualKeys.h"
#include "ui/X11Keyboard.h"

#include <QApplication>
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

} // namespace

ProgramKeys::ProgramKeys(QObject* parent, Handlers handlers, std::function<bool(int)> consumed)
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
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const int virtualKey = VirtualKeyOf(key.nativeScanCode(), key.key());
    const QWidget* widget = WidgetOf(static_cast<QWindow*>(watched));
    const QWidget* focused = widget ? widget->focusWidget() : nullptr;
    if (!key.isAutoRepeat())
        (type == QEvent::KeyPress ? handlers_.keyDown : handlers_.keyUp)(virtualKey, focused);
    return consumed_(virtualKey) || QObject::eventFilter(watched, event);
}

} // namespace ui
