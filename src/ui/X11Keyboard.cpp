// SPDX-License-Identifier: GPL-3.0-or-later
// Detectable auto-repeat for the program's X connection. X11's headers come last: their macros
// (KeyPress, Bool, None ...) clash with Qt's names.
#include "ui/X11Keyboard.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace ui {

void UseDetectableAutoRepeat()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (Display* display = x11 ? x11->display() : nullptr) {
        Bool supported = False;
        XkbSetDetectableAutoRepeat(display, True, &supported);
    }
}

} // namespace ui
