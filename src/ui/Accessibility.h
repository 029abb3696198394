// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader learns of the windows: each tuning slider named for its pitch class with
// its position in cents, the keyboard's keys as buttons named for their notes, every window as a
// window.
#pragma once

#include <QString>

namespace ui {

// Puts these descriptions in force for every control of the program; once, after the application
// object is made.
void InstallAccessibility();

// A slider's position as a screen reader says it: "+6 セント", "0 セント", "-12 セント".
QString CentsText(int cents);

} // namespace ui
