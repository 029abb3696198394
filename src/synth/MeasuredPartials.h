// SPDX-License-Identifier: GPL-3.0-or-later
// The partials of a SoundFont preset's keys as measured from its rendered notes: where each of the
// first eight lies against whole multiples of the key's own fundamental, and whether the key sounds
// one clean partial there at all (two strings or layers a few cents apart beat by themselves, and a
// looped sample can jump in phase at every turn of its loop).
#pragma once

#include "output/Port.h"
#include "synth/ProgramTuning.h"

#include <QJsonObject>

#include <array>
#include <optional>
#include <stop_token>
#include <string>

namespace synth {

// Raised whenever the measurement or its entry changes, so that older cached results are not believed.
constexpr int kPartialsMethod = 1;

struct ProgramPartials {
    // Per key, lowest first: cents of partial n above n times the key's measured fundamental (the
    // first is 0); nullopt where the key has no one clean partial n.
    std::array<output::KeyPartials, ProgramTuning::kKeys> ratios{};
    // Per key: the fundamental's cents above equal temperament as the file has it, which is what
    // is heard when nothing corrects it.
    std::array<double, ProgramTuning::kKeys> fundamentals{};
    bool operator==(const ProgramPartials&) const = default;
};

// What each partial's sound says, for the benchmark's account of why one is left out.
struct PartialReading {
    double cents = 0;        // above n times the fundamental, by the phase's mean turning
    double share = 0;        // the partial's part of the sound's power
    double disagreement = 0; // Hz between the centroid and the phase's mean turning
    double wobble = 0;       // radians the phase strays at most from turning steadily
    double dip = 0;          // dB the envelope falls below its decay at its deepest
    bool clean = false;
};
using KeyReadings = std::array<PartialReading, output::kKnownPartials>;

// Renders each key of `program` (bank 0, velocity 100) as the tuning is measured (ProgramTuning.h)
// and reads its partials over the 4 s from 0.25 s on (the time the beat window sounds a step): the
// phase's mean turning near each multiple of the fundamental (of the tuning's window), clean where it
// agrees with the power centroid and turns steadily. Nullopt when the SoundFont does not load or a stop is
// requested. `readings`, when given, gets what each key's partials said.
std::optional<ProgramPartials>
MeasureProgramPartials(const std::string& soundFont, int program, std::stop_token stop = {},
                       std::array<KeyReadings, ProgramTuning::kKeys>* readings = nullptr);

// The partials as heard once the correction is in: the correction scales a key's every partial
// alike, so each is its ratio to the fundamental plus what `left` (the correction's remainder, by
// key) leaves of the fundamental's offset. Without `left` nothing is corrected.
output::InstrumentPartials SoundedPartials(const ProgramPartials& partials,
                                           const std::optional<ProgramTuning>& left);

// The measurement's fields for a cache entry, and back; nullopt when a field is missing or a
// partial lies further off than the measurement can find one (damage, not a measurement).
QJsonObject WrittenPartials(const ProgramPartials& partials);
std::optional<ProgramPartials> ReadPartials(const QJsonObject& entry);

} // namespace synth
