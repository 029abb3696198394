// SPDX-License-Identifier: GPL-3.0-or-later
// The runtime's pseudo-random generator.
#include "platform/Random.h"

#include "platform/System.h"

namespace platform {

std::mt19937& RandomGenerator()
{
    static std::mt19937 generator;
    return generator;
}

void Randomize()
{
    RandomGenerator().seed(static_cast<std::mt19937::result_type>(Now().toMSecsSinceEpoch()));
}

} // namespace platform
