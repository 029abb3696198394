// SPDX-License-Identifier: GPL-3.0-or-later
// The reference pitches on offer and their master tune.
#include "game/ReferencePitch.h"

#include <algorithm>
#include <cmath>

namespace game {

bool IsReferencePitch(int hertz)
{
    return std::ranges::find(kReferencePitches, hertz) != kReferencePitches.end();
}

double MasterTuneCents(int hertz)
{
    return 1200 * std::log2(hertz / double(kDefaultReferencePitch));
}

QString ReferencePitchText(int hertz)
{
    return QStringLiteral("A=%1Hz").arg(hertz);
}

} // namespace game
