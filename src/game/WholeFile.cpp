// SPDX-License-Identifier: GPL-3.0-or-later
// The atomic save, with the reason of a failure in the system's own words.
#include "game/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace game {
namespace {

// QDir::mkpath says only that it failed; the reason is what the player needs.
QString MakeFolders(const QString& folder)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    return error ? QString::fromLocal8Bit(error.message()) : QString();
}

WriteOutcome Failed(const QString& reason)
{
    return {reason.isEmpty() ? QStringLiteral("理由は分かりません") : reason};
}

} // namespace

WriteOutcome WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    if (const QString reason = MakeFolders(QFileInfo(path).absolutePath()); !reason.isEmpty())
        return Failed(reason);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failed(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failed(reason);
    }
    if (!file.commit())
        return Failed(file.errorString());
    return {};
}

QString NotWrittenText(const QString& what, const QString& path, const QString& reason)
{
    return QStringLiteral("%1\n%2\n理由：%3").arg(what, path, reason);
}

} // namespace game
