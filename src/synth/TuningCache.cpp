// SPDX-License-Identifier: GPL-3.0-or-later
// The cache files: small JSON documents naming the SoundFont they describe.
#include "synth/TuningCache.h"

#include "synth/TuningEntry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace synth {
namespace {

const QString kContentHash = QStringLiteral("content");

// The file name's part for another measurement of `program` than its tuning.
QString KindOf(int program, const QString& kind)
{
    return QStringLiteral("%1-%2").arg(program).arg(kind);
}

// Of everything in the entry but the checksum itself, in a form that depends on the values alone
// (Qt writes an object's keys sorted and a double in its shortest exact form).
QString ChecksumOf(QJsonObject entry)
{
    entry.remove("checksum");
    const QByteArray content = QJsonDocument(entry).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

// What identifies the SoundFont file as it is now; null when it cannot be read.
QJsonObject Identity(const std::string& soundFont)
{
    const QFileInfo file(QString::fromStdString(soundFont));
    if (!file.isFile())
        return {};
    return {{"soundFont", file.absoluteFilePath()},
            {"size", double(file.size())},
            {"modified", double(file.lastModified().toMSecsSinceEpoch())}};
}

QJsonObject Identity(const std::string& soundFont, int program, int method)
{
    QJsonObject identity = Identity(soundFont);
    if (!identity.isEmpty()) {
        identity.insert("program", program);
        identity.insert("method", method);
    }
    return identity;
}

// An entry takes about 3 kB. A file far larger is none of ours, and reading it whole took the
// program to its size (a 3 GB file: 3.1 GB) before the entry was found wanting.
constexpr qint64 kLargestEntry = 1 << 20;

// The entry stored at `path` when it holds `identity` and its checksum matches its content. Only a
// plain file (a device or pipe never ends) within kLargestEntry is read, and no more than that.
std::optional<QJsonObject> ReadEntry(const QString& path, const QJsonObject& identity)
{
    const QFileInfo info(path);
    QFile file(path);
    if (identity.isEmpty() || !info.isFile() || info.size() > kLargestEntry ||
        !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(kLargestEntry + 1);
    if (bytes.size() > kLargestEntry)
        return std::nullopt; // grown since its size was taken
    const QJsonObject entry = QJsonDocument::fromJson(bytes).object();
    for (auto it = identity.begin(); it != identity.end(); ++it)
        if (entry.value(it.key()) != it.value())
            return std::nullopt;
    if (entry.value("checksum").toString() != ChecksumOf(entry))
        return std::nullopt;
    return entry;
}

// `fields` after `identity`, with their checksum; replaces the file atomically.
bool WriteEntry(const QString& folder, const QString& path, QJsonObject identity, const QJsonObject& fields)
{
    if (identity.isEmpty() || !QDir().mkpath(folder))
        return false;
    for (auto it = fields.begin(); it != fields.end(); ++it)
        identity.insert(it.key(), it.value());
    identity.insert("checksum", ChecksumOf(identity));
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(identity).toJson()) >= 0 &&
           file.commit();
}

} // namespace

QString TuningCache::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/soundfont-tuning");
}

QString TuningCache::filePath(const std::string& soundFont, int program) const
{
    return filePath(soundFont, QString::number(program));
}

QString TuningCache::filePath(const std::string& soundFont, const QString& what) const
{
    const QByteArray path = QFileInfo(QString::fromStdString(soundFont)).absoluteFilePath().toUtf8();
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex());
    return QStringLiteral("%1/%2-%3.json").arg(folder_, name, what);
}

std::optional<ProgramTuning> TuningCache::load(const std::string& soundFont, int program) const
{
    const auto entry = ReadEntry(filePath(soundFont, program), Identity(soundFont, program, kTuningMethod));
    return entry ? ReadTuning(*entry) : std::nullopt;
}

bool TuningCache::store(const std::string& soundFont, int program, const ProgramTuning& tuning) const
{
    return WriteEntry(folder_, filePath(soundFont, program), Identity(soundFont, program, kTuningMethod),
                      WrittenTuning(tuning));
}

std::optional<QJsonObject> TuningCache::loadEntry(const std::string& soundFont, int program,
                                                  const QString& kind, int method) const
{
    return ReadEntry(filePath(soundFont, KindOf(program, kind)), Identity(soundFont, program, method));
}

bool TuningCache::storeEntry(const std::string& soundFont, int program, const QString& kind, int method,
                             const QJsonObject& fields) const
{
    return WriteEntry(folder_, filePath(soundFont, KindOf(program, kind)),
                      Identity(soundFont, program, method), fields);
}

std::optional<QByteArray> TuningCache::loadContentHash(const std::string& soundFont) const
{
    const auto entry = ReadEntry(filePath(soundFont, kContentHash), Identity(soundFont));
    if (!entry || !entry->value(kContentHash).isString())
        return std::nullopt;
    return entry->value(kContentHash).toString().toLatin1();
}

bool TuningCache::storeContentHash(const std::string& soundFont, const QByteArray& hash) const
{
    return WriteEntry(folder_, filePath(soundFont, kContentHash), Identity(soundFont),
                      {{kContentHash, QString::fromLatin1(hash)}});
}

} // namespace synth
