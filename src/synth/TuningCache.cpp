// SPDX-License-Identifier: GPL-3.0-or-later
// The cache files: small JSON documents naming the SoundFont they describe.
#include "synth/TuningCache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>

namespace synth {
namespace {

// Raised whenever the measurement or the entry changes, so that older results are measured again.
constexpr int kMethod = 5;
// The SoundFont's own errors are a few cents; anything beyond this is damage, not a measurement.
constexpr double kPlausibleCents = 50;

// Of everything in the entry but the checksum itself, in a form that depends on the values alone
// (Qt writes an object's keys sorted and a double in its shortest exact form).
QString ChecksumOf(QJsonObject entry)
{
    entry.remove("checksum");
    const QByteArray content = QJsonDocument(entry).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

// What identifies the SoundFont file as it is now; null when it cannot be read.
QJsonObject Identity(const std::string& soundFont, int program)
{
    const QFileInfo file(QString::fromStdString(soundFont));
    if (!file.isFile())
        return {};
    return {{"soundFont", file.absoluteFilePath()},
            {"size", double(file.size())},
            {"modified", double(file.lastModified().toMSecsSinceEpoch())},
            {"program", program},
            {"method", kMethod}};
}

// Nullopt for an entry whose checksum does not match, or that would correct a key implausibly far.
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

std::optional<ProgramTuning> TuningOf(const QJsonObject& entry)
{
    if (entry.value("checksum").toString() != ChecksumOf(entry) || !entry.value("corrected").isBool())
        return std::nullopt;
    ProgramTuning tuning{.corrected = entry.value("corrected").toBool()};
    const bool read = ReadOffsets(entry, "offsets", tuning.corrected, tuning.offsets) &&
                      ReadOffsets(entry, "left", tuning.corrected, tuning.leftOffsets) &&
                      ReadOffsets(entry, "right", tuning.corrected, tuning.rightOffsets);
    const QJsonArray leftAlone = entry.value("keysLeftAlone").toArray();
    if (!read || leftAlone.size() != ProgramTuning::kKeys)
        return std::nullopt;
    for (int i = 0; i < ProgramTuning::kKeys; ++i)
        tuning.keysLeftAlone[std::size_t(i)] = leftAlone[i].toBool();
    return tuning;
}

} // namespace

QString TuningCache::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/soundfont-tuning");
}

QString TuningCache::filePath(const std::string& soundFont, int program) const
{
    const QByteArray path = QFileInfo(QString::fromStdString(soundFont)).absoluteFilePath().toUtf8();
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex());
    return QStringLiteral("%1/%2-%3.json").arg(folder_, name).arg(program);
}

std::optional<ProgramTuning> TuningCache::load(const std::string& soundFont, int program) const
{
    const QJsonObject identity = Identity(soundFont, program);
    QFile file(filePath(soundFont, program));
    if (identity.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject entry = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = identity.begin(); it != identity.end(); ++it)
        if (entry.value(it.key()) != it.value())
            return std::nullopt;
    return TuningOf(entry);
}

bool TuningCache::store(const std::string& soundFont, int program, const ProgramTuning& tuning) const
{
    QJsonObject entry = Identity(soundFont, program);
    if (entry.isEmpty() || !QDir().mkpath(folder_))
        return false;
    entry.insert("corrected", tuning.corrected);
    entry.insert("offsets", Written(tuning.offsets));
    entry.insert("left", Written(tuning.leftOffsets));
    entry.insert("right", Written(tuning.rightOffsets));
    QJsonArray leftAlone;
    for (const bool alone : tuning.keysLeftAlone)
        leftAlone.append(alone);
    entry.insert("keysLeftAlone", leftAlone);
    entry.insert("checksum", ChecksumOf(entry));
    QSaveFile file(filePath(soundFont, program));
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(entry).toJson()) >= 0 && file.commit();
}

} // namespace synth
