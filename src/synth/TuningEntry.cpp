// SPDX-License-Identifier: GPL-3.0-or-later
// The fields of a preset tuning's JSON entry.
#include "synth/TuningEntry.h"

#include <QJsonArray>

#include <cmath>

namespace synth {
namespace {

constexpr double kPlausibleCents = 50;

// The offsets stored under `name`; false when they are missing or implausible.
bool ReadOffsets(const QJsonObject& entry, const char* name, bool corrected,
                 std::array<double, ProgramTuning::kKeys>& offsets)
{
    const QJsonArray stored = entry.value(name).toArray();
    if (stored.size() != ProgramTuning::kKeys)
        return false;
    for (int i = 0; i < ProgramTuning::kKeys; ++i) {
        const double cents = stored[i].toDouble(NAN);
        if (!std::isfinite(cents) || (corrected && std::abs(cents) > kPlausibleCents))
            return false;
        offsets[std::size_t(i)] = cents;
    }
    return true;
}

QJsonArray Written(const std::array<double, ProgramTuning::kKeys>& offsets)
{
    QJsonArray written;
    for (const double cents : offsets)
        written.append(cents);
    return written;
}

QJsonArray LeftAlone(const std::array<bool, ProgramTuning::kKeys>& keys)
{
    QJsonArray written;
    for (const bool alone : keys)
        written.append(alone);
    return written;
}

} // namespace

QJsonObject WrittenTuning(const ProgramTuning& tuning)
{
    return {{"corrected", tuning.corrected},
            {"offsets", Written(tuning.offsets)},
            {"left", Written(tuning.leftOffsets)},
            {"right", Written(tuning.rightOffsets)},
            {"keysLeftAlone", LeftAlone(tuning.keysLeftAlone)}};
}

std::optional<ProgramTuning> ReadTuning(const QJsonObject& entry)
{
    if (!entry.value("corrected").isBool())
        return std::nullopt;
    ProgramTuning tuning{.corrected = entry.value("corrected").toBool()};
    const bool read = ReadOffsets(entry, "offsets", tuning.corrected, tuning.offsets) &&
                      ReadOffsets(entry, "left", tuning.corrected, tuning.leftOffsets) &&
                      ReadOffsets(entry, "right", tuning.corrected, tuning.rightOffsets);
    const QJsonArray leftAlone = entry.value("keysLeftAlone").toArray();
    if (!read || leftAlone.size() != ProgramTuning::kKeys)
        return std::nullopt;
    for (int i = 0; i < ProgramTuning::kKeys; ++i) {
        if (!leftAlone[i].isBool())
            return std::nullopt;
        tuning.keysLeftAlone[std::size_t(i)] = leftAlone[i].toBool();
    }
    return tuning;
}

} // namespace synth
