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

// The partials of an interval's two notes that nearly meet (the third of the lower note and the
// second of the upper one in a fifth): their beat is the waver a tuner listens for.
struct CoincidentPartials {
    double lower = 0; // Hz, the lower note's partial
    double upper = 0; // Hz, the upper note's partial
    // Positive when the interval is wider than pure.
    double widening() const { return upper - lower; }
    double beatRate() const { return std::abs(upper - lower); }
    double centre() const { return (lower + upper) / 2; }
};

int LowerNote(const TuningStep& step);
int UpperNote(const TuningStep& step);

// The coincident partials of `step` with each note this many cents from equal temperament.
CoincidentPartials PartialsOf(const TuningStep& step, double lowerCents, double upperCents);

// The frequency of `midiNote` this many cents from equal temperament, A4 = 440 Hz.
double NoteFrequency(int midiNote, double cents);

// "完全8度", "完全5度", "完全4度".
QString IntervalName(Interval interval);

using game::NoteName;

} // namespace history
