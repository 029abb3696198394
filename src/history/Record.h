// SPDX-License-Identifier: GPL-3.0-or-later
// One finished challenge as the history keeps it.
#pragma once

#include "midi/Midi.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>

namespace history {

using midi::kPitchClasses;
using Cents = std::array<std::int32_t, kPitchClasses>;

struct ChallengeRecord {
    QDateTime started; // local date and time with its offset from UTC
    QDateTime ended;
    int difficulty = 0;
    int instrument = 0; // as game::InstrumentName names it: a General MIDI program or the tuning piano
    QString device;
    bool referenceToneUsed = false;
    bool beatWindowUsed = false; // the beat window sounded an interval during the challenge
    Cents detune{};              // the hidden detuning, C ... B
    Cents player{};              // the player's corrections, C ... B
    std::int32_t score = 0;
    std::int64_t elapsedMs = 0;
    QString programVersion; // of the program that wrote it; empty until written (this program's)
    // An exam's challenge has a time limit (the normal game's has 0), the examiners' score and
    // whether it passed; elapsedMs is its time used.
    int examMinutes = 0;
    double examScore = 0;
    bool examPassed = false;
    int referencePitch = 440; // A4 in Hz

    bool isExam() const { return examMinutes > 0; }

    // The player's value minus the correct value (the negated detuning), C ... B: how far the
    // player's tuning of that class lies from equal temperament.
    std::int32_t signedError(int pitchClass) const
    {
        return player[std::size_t(pitchClass)] + detune[std::size_t(pitchClass)];
    }

    bool operator==(const ChallengeRecord&) const = default;
};

} // namespace history
