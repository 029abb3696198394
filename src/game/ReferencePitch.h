// SPDX-License-Identifier: GPL-3.0-or-later
// The reference pitch A4 the game is tuned at: 440 Hz as the standard, 441 ... 443 Hz as halls,
// schools and many pianos in Japan are tuned. Detuning, sliders and scores stay in cents against
// equal temperament at that pitch; only the device's master tune moves.
#pragma once

#include <QString>

#include <array>

namespace game {

constexpr int kDefaultReferencePitch = 440;
constexpr std::array<int, 4> kReferencePitches{440, 441, 442, 443};

bool IsReferencePitch(int hertz);
// The master tune that brings A4 from 440 Hz to `hertz`: 1200 · log2(hertz / 440) cents.
double MasterTuneCents(int hertz);
// "A=442Hz", as the report, the history and the reference-A button name it.
QString ReferencePitchText(int hertz);

} // namespace game
