// SPDX-License-Identifier: GPL-3.0-or-later
// How the synthesizer tells the player: the windows' message box, handed in by the program (the
// synthesizer runs in a module of its own, without windows).
#pragma once

#include <QString>

#include <functional>

namespace synth {

using SayToPlayer = std::function<void(const QString& text, const QString& explanation)>;

// Without a player to tell: one line on stderr.
void SayOnTerminal(const QString& text, const QString& explanation);

} // namespace synth
