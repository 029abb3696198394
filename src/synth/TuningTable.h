// SPDX-License-Identifier: GPL-3.0-or-later
// Corrections measured in advance for one SoundFont file, shipped inside the program: Debian's
// FluidR3_GM is then in tune from the first note of a first start, with no measurement to wait for.
// The table names its file by size and content hash, and counts only for the measuring method that
// made it (tools/remake_tuning_table.sh makes it again).
#pragma once

#include "synth/ProgramTuning.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <stop_token>
#include <string>

namespace synth {

struct TuningTable {
    QString soundFont; // the file's name, for people reading the table
    qint64 size = 0;
    QByteArray contentHash; // ContentHash's hex
    std::map<int, ProgramTuning> programs;

    // The table embedded in the program, for FluidR3_GM; nullopt when it was made by another
    // measuring method than this program's (kTuningMethod) or cannot be read.
    static std::optional<TuningTable> Shipped();
    // Nullopt when `json` is not a table of this program's method or an entry is damaged.
    static std::optional<TuningTable> Read(const QByteArray& json);
    // One line per program, so that a change of the table reads well in a diff.
    QByteArray written() const;

    std::optional<ProgramTuning> find(int program) const;
};

// BLAKE2b-256 of the whole file (hex); nullopt when it cannot be read or a stop is requested.
std::optional<QByteArray> ContentHash(const std::string& file, std::stop_token stop = {});

} // namespace synth
