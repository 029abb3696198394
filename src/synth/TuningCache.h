// SPDX-License-Identifier: GPL-3.0-or-later
// Measured preset tunings kept on disk, one file per SoundFont and program, so that each preset is
// measured once. An entry counts only while the SoundFont's path, size and modification time match,
// its checksum matches its content and every offset of a corrected preset is plausible (±50 cents):
// an entry damaged by accident must never detune what the player hears, so it is measured again and
// rewritten. (A deliberate edit that recomputes the checksum is believed, within those 50 cents.)
// A file over 1 MB (an entry takes about 3 kB) is refused without being read.
#pragma once

#include "synth/ProgramTuning.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <string>

namespace synth {

class TuningCache {
public:
    // `folder`: where the files go; created when the first is stored.
    explicit TuningCache(QString folder) : folder_(std::move(folder)) {}

    // The user's cache folder (QStandardPaths::CacheLocation) with a subfolder of ours.
    static QString DefaultFolder();

    // Nullopt when nothing is stored for this SoundFont as it is now, or the file is damaged.
    std::optional<ProgramTuning> load(const std::string& soundFont, int program) const;
    // Replaces whatever was there, atomically. False when it cannot be written.
    bool store(const std::string& soundFont, int program, const ProgramTuning& tuning) const;

    // Another measurement of a program kept beside its tuning (`kind` names it), with a method version
    // of its own: named, checked and replaced as the tunings are.
    std::optional<QJsonObject> loadEntry(const std::string& soundFont, int program, const QString& kind,
                                         int method) const;
    bool storeEntry(const std::string& soundFont, int program, const QString& kind, int method,
                    const QJsonObject& fields) const;

    // The SoundFont's content hash (hex) as remembered for the file as it is now: hashing a large
    // file takes a second, and its path, size and modification time name it well enough for that.
    std::optional<QByteArray> loadContentHash(const std::string& soundFont) const;
    bool storeContentHash(const std::string& soundFont, const QByteArray& hash) const;

    QString filePath(const std::string& soundFont, int program) const;

private:
    QString filePath(const std::string& soundFont, const QString& what) const;

    QString folder_;
};

} // namespace synth
