// SPDX-License-Identifier: GPL-3.0-or-later
// The instruments the keys and the reference A play: General MIDI's 128 programs, in program order,
// and the built-in synthesizer's single-string tuning piano, its partials harmonic or as stiff as
// a real piano's strings.
#pragma once

#include <QStringList>

namespace game {

// An instrument is a number: 0 ... 127 a General MIDI program, then the tuning piano's two kinds.
// The history keeps the number, so these never change.
constexpr int kGeneralMidiPrograms = 128;
constexpr int kTuningPiano = 128;
constexpr int kStiffTuningPiano = 129;

// "調律用ピアノ（単弦）": listed first, and played by default, where the device offers it.
extern const QString kTuningPianoName;

const QStringList& InstrumentNames(); // General MIDI's, by program

// The name the dialog, the report, the history and its CSV give `instrument`.
QString InstrumentName(int instrument);

bool IsTuningPiano(int instrument);

// How a channel is set to `instrument`: a bank select, then a program change.
struct ProgramChoice {
    int bank = 0;
    int program = 0;
};
ProgramChoice ProgramChoiceOf(int instrument);

} // namespace game
