// SPDX-License-Identifier: GPL-3.0-or-later
// A measurement the tests make up: every key, on each output, `cents` off, and corrected.
#pragma once

#include "synth/ProgramTuning.h"

namespace testing {

inline synth::ProgramTuning Invented(double cents)
{
    synth::ProgramTuning tuning{.corrected = true};
    tuning.offsets.fill(cents);
    tuning.leftOffsets.fill(cents);
    tuning.rightOffsets.fill(cents);
    return tuning;
}

} // namespace testing
