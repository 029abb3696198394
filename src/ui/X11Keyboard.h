// SPDX-License-Identifier: GPL-3.0-or-later
// The X11 keyboard's auto-repeat, made to look like every other desktop's.
#pragma once

namespace ui {

// On X11, a held key repeats as presses alone, without a release before each: the server sends
// them that way when asked (XKB's detectable auto-repeat). Qt recognises only some of those
// releases as repeats, and each one it misses would end a held note. Elsewhere: does nothing.
void UseDetectableAutoRepeat();

} // namespace ui
