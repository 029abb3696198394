// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a challenge: step and slider range per difficulty, the draw of the hidden
// detuning, the scale-tuning data bytes, and cents as text.
#pragma once

#include "midi/Midi.h"

#include <QString>

#include <array>
#include <cstdint>
#include <random>

namespace game {

using midi::kPitchClasses;
constexpr int kDifficulties = 4;

using DetuneArray = std::array<std::int32_t, kPitchClasses>;
using SliderPositions = std::array<int, kPitchClasses>;

struct SliderRange {
    int minimum;
    int maximum;
};

// Cents per slider unit: 1, 3, 5, 10 for difficulties 0 ... 3.
int StepCents(int difficulty);
// -32 ... 31, -10 ... 10, -6 ... 6, -3 ... 3.
SliderRange SliderRangeOf(int difficulty);

// One detune value: r - 20 (r < 40), 3r - 30 (r < 20), 5r - 30 (r < 12), 10r - 30 (r < 6),
// r drawn uniformly by `random`.
std::int32_t DrawDetune(int difficulty, std::mt19937& random);

// Data byte i of the scale tuning: the low 8 bits of detune[i] + 64 (the centre) + positions[i] × step.
std::array<std::uint8_t, kPitchClasses> ScaleTuningData(const DetuneArray& detune,
                                                        const SliderPositions& positions, int stepCents);

// Cents as the windows show them: "-" for negatives, no sign otherwise, "0" for zero.
QString CentsText(std::int32_t cents);

// The note names C, C#, ... B.
QString PitchClassName(int pitchClass);
// "A4", "C#5": the note names with the octave, middle C being C4.
QString NoteName(int midiNote);

} // namespace game
