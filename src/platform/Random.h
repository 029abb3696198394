// SPDX-License-Identifier: GPL-3.0-or-later
// The runtime's pseudo-random generator, seeded from the clock.
#pragma once

#include <random>

namespace platform {

// Seeds the generator from the local clock (the virtual clock in tests).
void Randomize();
std::mt19937& RandomGenerator();

} // namespace platform
