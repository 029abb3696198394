// SPDX-License-Identifier: GPL-3.0-or-later
// The partials beat rates are worked out from: those of the instrument that plays, as the open
// device tells them, else the textbook's harmonic ones.
#pragma once

#include "history/BeatRates.h"
#include "output/MidiOutput.h"

namespace windows {

enum class PartialsKnown {
    Textbook,      // the device makes its own sound (an external device): harmonic partials assumed
    Measuring,     // the device is measuring the instrument: harmonic partials meanwhile
    FromInstrument // the instrument's own, as the device sounds them
};

struct BeatPartials {
    PartialsKnown known = PartialsKnown::Textbook;
    history::PartialOffsets offsets = history::HarmonicPartials();
};

// `instrument` as game::InstrumentName numbers it.
BeatPartials BeatPartialsOf(const output::MidiOutput& output, int instrument);

} // namespace windows
