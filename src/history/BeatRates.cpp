// SPDX-License-Identifier: GPL-3.0-or-later
// Beat rates of the tuning order: a fifth beats where the lower note's third partial meets the
// upper note's second, a fourth 4 : 3, an octave 2 : 1, with A4 at 440 Hz.
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

QString StepName(int index)
{
    const TuningStep& step = TuningOrder().at(std::size_t(index));
    return QStringLiteral("%1. %2→%3").arg(index + 1).arg(NoteName(step.fromNote), NoteName(step.toNote));
}

const PartialOffsets& HarmonicPartials()
{
    static const PartialOffsets harmonic = [](int, int) { return std::optional(0.0); };
    return harmonic;
}

std::array<StepBeats, kPitchClasses> BeatsOfTuning(const Cents& cents, const PartialOffsets& partials,
                                                   double shiftCents)
{
    const auto centsOf = [&](int note, const Cents& tuning) {
        return shiftCents +
               (note == kReferenceNote ? 0.0 : double(tuning[std::size_t(note % kPitchClasses)]));
    };
    const auto partialsIn = [&](const TuningStep& step, const Cents& tuning) {
        return PartialsOf(step, centsOf(LowerNote(step), tuning), centsOf(UpperNote(step), tuning), partials);
    };
    std::array<StepBeats, kPitchClasses> result{};
    for (std::size_t i = 0; i < result.size(); ++i) {
        const TuningStep& step = TuningOrder()[i];
        const auto played = partialsIn(step, cents);
        const auto equal = partialsIn(step, Cents{});
        const double widening = played ? played->widening() : 0;
        result[i] = {step, played ? std::optional(played->beatRate()) : std::nullopt,
                     equal ? std::optional(equal->beatRate()) : std::nullopt,
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
    return *PartialsOf(step, lowerCents, upperCents, HarmonicPartials());
}

std::optional<CoincidentPartials> PartialsOf(const TuningStep& step, double lowerCents, double upperCents,
                                             const PartialOffsets& partials)
{
    const auto [lowerMultiple, upperMultiple] = Partials(step.interval);
    const auto lowerOffset = partials(LowerNote(step), lowerMultiple);
    const auto upperOffset = partials(UpperNote(step), upperMultiple);
    if (!lowerOffset || !upperOffset)
        return std::nullopt;
    return CoincidentPartials{lowerMultiple * NoteFrequency(LowerNote(step), lowerCents + *lowerOffset),
                              upperMultiple * NoteFrequency(UpperNote(step), upperCents + *upperOffset)};
}

double NoteFrequency(int midiNote, double cents)
{
    return kA4 * std::pow(2.0, (midiNote - kA4Note) / 12.0 + cents / 1200.0);
}

QString BeatRateText(const std::optional<double>& rate)
{
    return rate ? QStringLiteral("%1 Hz").arg(*rate, 0, 'f', 2) : QStringLiteral("弦が複数のため不定");
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
