// SPDX-License-Identifier: GPL-3.0-or-later
// One measured preset tuning as JSON: the one form shared by the user's cache and the table of
// corrections shipped with the program, so a field added to ProgramTuning is written and read here
// alone.
#pragma once

#include "synth/ProgramTuning.h"

#include <QJsonObject>

#include <optional>

namespace synth {

// Raised whenever the measurement or the entry changes, so that older results (cached or shipped)
// are not believed.
constexpr int kTuningMethod = 5;

// The tuning's fields, ready to be inserted into an entry.
QJsonObject WrittenTuning(const ProgramTuning& tuning);
// Nullopt when a field is missing or not a number, or a corrected preset's offset is implausible
// (the SoundFont's own errors are a few cents: beyond ±50 is damage, not a measurement).
std::optional<ProgramTuning> ReadTuning(const QJsonObject& entry);

} // namespace synth
