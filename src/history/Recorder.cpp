// SPDX-License-Identifier: GPL-3.0-or-later
// The record queue and what it does about locks, full disks and damaged files.
#include "history/Recorder.h"

#include <QDateTime>
#include <QFile>
#include <QStandardPaths>

namespace history {

QString DefaultHistoryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/history.sqlite");
}

QString MoveAside(const QString& path)
{
    const QString stem = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = stem;
    for (int n = 2; QFile::exists(target); ++n)
        target = stem + QStringLiteral("-%1").arg(n);
    if (!QFile::rename(path, target))
        return {};
    // A journal left behind would be replayed into the new file.
    for (const char* journal : {"-wal", "-shm"})
        if (QFile::exists(path + QLatin1String(journal)))
            QFile::rename(path + QLatin1String(journal), target + QLatin1String(journal));
    return target;
}

Recorder::Recorder(QString path) : path_(std::move(path))
{
}

Recorder::~Recorder()
{
    flush(kWaitAtExit);
}

Recorder::Outcome Recorder::record(const ChallengeRecord& record)
{
    waiting_.push_back(record);
    return flush(kWaitDuringPlay);
}

Fault Recorder::open(std::chrono::milliseconds busyWait)
{
    if (database_) {
        database_->setBusyWait(busyWait);
        return Fault::None;
    }
    database_ = std::make_unique<Database>(path_, busyWait);
    const Fault fault = database_->fault();
    if (fault != Fault::None)
        database_.reset();
    return fault;
}

Recorder::Outcome Recorder::flush(std::chrono::milliseconds busyWait)
{
    Outcome outcome;
    // A damaged file gets one fresh start per attempt.
    for (bool freshStart = false; !waiting_.empty();) {
        Fault fault = open(busyWait);
        if (fault == Fault::None && (fault = database_->append(waiting_)) == Fault::None) {
            outcome.saved = std::exchange(waiting_, {});
            break;
        }
        database_.reset(); // reopened at the next attempt, whatever happened to the file meanwhile
        if (fault == Fault::Damaged && !freshStart) {
            outcome.movedAside = MoveAside(path_);
            freshStart = !outcome.movedAside.isEmpty();
            if (freshStart)
                continue;
        }
        outcome.unwritable = fault != Fault::Busy;
        break;
    }
    return outcome;
}

} // namespace history
