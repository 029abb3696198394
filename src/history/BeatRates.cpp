// SPDX-License-Identifier: GPL-3.0-or-later
// Beat rates of the tuning order: a fifth beats at |3 f_low - 2 f_high|, a fourth at
// |4 f_low - 3 f_high|, an octave at |2 f_low - f_high|, with A4 at 440 Hz.
#include "history/BeatRates.h"

#include "game/Challenge.h"

#include <algorithm>
#include <cmath>

namespace history {

namespace {

constexpr double kA4 = 440.0;
constexpr int kA4Note = 69;
constexpr int kReferenceNote = 57; // the reference A of the first step, an octave below A4

// (lower partial multiple, upper partial multiple): the partials that meet in the interval.
std::pair<int, int> Partials(Interval interval)
{
    switch (interval) {
    case Interval::Octave:
        return {2, 1};
    case Interval::Fifth:
        return {3, 2};
    case Interval::Fourth:
        return {4, 3};
    }
    return {1, 1};
}

} // namespace

const std::array<TuningStep, kPitchClasses>& TuningOrder()
{
    static const std::array<TuningStep, kPitchClasses> steps = {{
        {kReferenceNote, 69, Interval::Octave},
        {69, 76, Interval::Fifth},
        {69, 74, Interval::Fourth},
        {76, 71, Interval::Fourth},
        {71, 66, Interval::Fourth},
        {66, 73, Interval::Fifth},
        {73, 68, Interval::Fourth},
        {68, 75, Interval::Fifth},
        {75, 70, Interval::Fourth},
        {70, 65, Interval::Fourth},
        {65, 72, Interval::Fifth},
        {72, 67, Interval::Fourth},
    }};
    return steps;
}

std::array<StepBeats, kPitchClasses> BeatsOfTuning(const Cents& cents)
{
    const auto centsOf = [&](int note, const Cents& tuning) {
        return note == kReferenceNote ? 0.0 : double(tuning[std::size_t(note % kPitchClasses)]);
    };
    const auto beats = [&](const TuningStep& step, const Cents& tuning) {
        return PartialsOf(step, centsOf(LowerNote(step), tuning), centsOf(UpperNote(step), tuning))
            .widening();
    };
    std::array<StepBeats, kPitchClasses> result{};
    for (std::size_t i = 0; i < result.size(); ++i) {
        const TuningStep& step = TuningOrder()[i];
        const double widening = beats(step, cents);
        result[i] = {step, std::abs(widening), std::abs(beats(step, Cents{})),
                     (step.interval == Interval::Fifth && widening > 0) ||
                         (step.interval == Interval::Fourth && widening < 0)};
    }
    return result;
}

int LowerNote(const TuningStep& step)
{
    return std::min(step.fromNote, step.toNote);
}

int UpperNote(const TuningStep& step)
{
    return std::max(step.fromNote, step.toNote);
}

CoincidentPartials PartialsOf(const TuningStep& step, double lowerCents, double upperCents)
{
    const auto [lowerMultiple, upperMultiple] = Partials(step.interval);
    return {lowerMultiple * NoteFrequency(LowerNote(step), lowerCents),
            upperMultiple * NoteFrequency(UpperNote(step), upperCents)};
}

double NoteFrequency(int midiNote, double cents)
{
    return kA4 * std::pow(2.0, (midiNote - kA4Note) / 12.0 + cents / 1200.0);
}

QString IntervalName(Interval interval)
{
    switch (interval) {
    case Interval::Octave:
        return QStringLiteral("完全8度");
    case Interval::Fifth:
        return QStringLiteral("完全5度");
    case Interval::Fourth:
        return QStringLiteral("完全4度");
    }
    return {};
}

} // namespace history
