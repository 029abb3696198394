// SPDX-License-Identifier: GPL-3.0-or-later
// The beats a player's tuning makes at each step of the hint's tuning order, from ideal harmonic
// partials, beside those of equal temperament.
#pragma once

#include "game/Challenge.h"
#include "history/Record.h"

#include <QString>

#include <array>

namespace history {

enum class Interval { Octave, Fifth, Fourth };

struct TuningStep {
    int fromNote; // MIDI note already tuned (the first step's is the reference A, never detuned)
    int toNote;   // MIDI note being set
    Interval interval;
};

// The twelve steps of the hint, in its order: A3-A4, A4-E5, A4-D5, E5-B4, B4-F#4, F#4-C#5,
// C#5-G#4, G#4-D#5, D#5-A#4, A#4-F4, F4-C5, C5-G4.
const std::array<TuningStep, kPitchClasses>& TuningOrder();

struct StepBeats {
    TuningStep step;
    double player = 0;           // beats per second in the player's tuning
    double equalTemperament = 0; // beats per second in equal temperament
    bool wrongWay = false;       // a fifth wider than pure, or a fourth narrower than pure
};

// `cents`: each pitch class's distance from equal temperament (player minus correct), C ... B.
std::array<StepBeats, kPitchClasses> BeatsOfTuning(const Cents& cents);

using game::NoteName;

} // namespace history
