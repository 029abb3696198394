// SPDX-License-Identifier: GPL-3.0-or-later
// Key events as the virtual-key codes the windows react to.
#pragma once

namespace ui {

// The virtual-key code of a key event: by physical position from the X11 key code when there is
// one (so the Japanese layout's rows play on any layout), else from Qt's key code for letters,
// space and the four punctuation keys; 0 for any other key.
int VirtualKeyOf(unsigned nativeScanCode, int qtKey);

} // namespace ui
