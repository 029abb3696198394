// SPDX-License-Identifier: GPL-3.0-or-later
// The beats a player's tuning makes at each step of the hint's tuning order, beside those of equal
// temperament, from the partials of the instrument that plays (the textbook's harmonic ones where
// nothing more is known).
#pragma once

#include "game/Challenge.h"
#include "history/Record.h"

#include <QString>

#include <array>
#include <cmath>
#include <functional>
#include <optional>

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

// "1. A3→A4": the step's place in the order and its two notes, the one already tuned first.
QString StepName(int index);

// How an instrument's partials lie: partial n (from 1) of `note` this many cents above n times the
// note's equal-tempered frequency; nullopt where the note has no one clean partial there (two
// strings that beat by themselves).
using PartialOffsets = std::function<std::optional<double>(int note, int partial)>;
// The textbook's: every partial exactly n times the fundamental.
const PartialOffsets& HarmonicPartials();

struct StepBeats {
    TuningStep step;
    // Beats per second in the player's tuning and in equal temperament; nullopt where a partial
    // that meets is not clean.
    std::optional<double> player;
    std::optional<double> equalTemperament;
    bool wrongWay = false; // a fifth wider than pure, or a fourth narrower than pure
};

// `cents`: each pitch class's distance from equal temperament (player minus correct), C ... B.
// `shiftCents` moves every note, the reference A too: A4 away from 440 Hz (a master tune).
std::array<StepBeats, kPitchClasses>
BeatsOfTuning(const Cents& cents, const PartialOffsets& partials = HarmonicPartials(), double shiftCents = 0);

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

// The coincident partials of `step` with each note this many cents from equal temperament, with
// harmonic partials, or with the instrument's (nullopt where one of them is not clean).
CoincidentPartials PartialsOf(const TuningStep& step, double lowerCents, double upperCents);
std::optional<CoincidentPartials> PartialsOf(const TuningStep& step, double lowerCents, double upperCents,
                                             const PartialOffsets& partials);

// The frequency of `midiNote` this many cents from equal temperament, A4 = 440 Hz.
double NoteFrequency(int midiNote, double cents);

// "1.49 Hz", or, where a partial that meets is not clean, why there is no one rate.
QString BeatRateText(const std::optional<double>& rate);

// "完全8度", "完全5度", "完全4度".
QString IntervalName(Interval interval);

using game::NoteName;

} // namespace history
