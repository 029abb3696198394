// SPDX-License-Identifier: GPL-3.0-or-later
// The 128 instrument names of the instrument dialog, in General MIDI program order.
#pragma once

#include <QStringList>

namespace game {

const QStringList& InstrumentNames();

} // namespace game
