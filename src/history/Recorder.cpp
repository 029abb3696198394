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

MovedAside MoveAside(const QString& path)
{
    const QString stem = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString target = stem;
    for (int n = 2; QFile::exists(target); ++n)
        target = stem + QStringLiteral("-%1").arg(n);
    if (QFile file(path); !file.rename(target))
        return {.path = {}, .failure = file.errorString()};
    // A journal left behind would be replayed into the new file.
    for (const char* journal : {"-wal", "-shm"})
        if (QFile::exists(path + QLatin1String(journal)))
            QFile::rename(path + QLatin1String(journal), target + QLatin1String(journal));
    return {.path = target, .failure = {}};
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

Fault Recorder::open(std::chrono::milliseconds busyWait, Outcome& outcome)
{
    if (database_) {
        database_->setBusyWait(busyWait);
        return Fault::None;
    }
    database_ = std::make_unique<Database>(path_, busyWait);
    Fault fault = database_->fault();
    if (fault == Fault::Damaged)
        fault = startAfresh(busyWait, outcome);
    if (fault != Fault::None) {
        if (database_)
            failure_ = database_->failure();
        database_.reset();
    }
    return fault;
}

Fault Recorder::startAfresh(std::chrono::milliseconds busyWait, Outcome& outcome)
{
    database_.reset();
    const MovedAside moved = MoveAside(path_);
    if (moved.path.isEmpty()) {
        failure_ = moved.failure;
        return Fault::Unwritable;
    }
    outcome.movedAside = moved.path;
    std::vector<ChallengeRecord> readable =
        Database(outcome.movedAside, busyWait, Access::Read).readReadable();
    outcome.readFromDamaged = readable.size();
    waiting_.insert(waiting_.begin(), readable.begin(), readable.end()); // older than any waiting
    database_ = std::make_unique<Database>(path_, busyWait);
    return database_->fault();
}

Recorder::Outcome Recorder::flush(std::chrono::milliseconds busyWait)
{
    Outcome outcome;
    Fault fault = open(busyWait, outcome);
    if (fault == Fault::None && !waiting_.empty())
        fault = database_->append(waiting_);
    // Damage the open's check did not see (it came later): one fresh start per attempt.
    if (fault == Fault::Damaged && outcome.movedAside.isEmpty() &&
        (fault = startAfresh(busyWait, outcome)) == Fault::None && !waiting_.empty())
        fault = database_->append(waiting_);
    if (fault == Fault::None) {
        outcome.saved = std::exchange(waiting_, {});
        failure_.clear();
        return outcome;
    }
    if (database_)
        failure_ = database_->failure();
    database_.reset(); // reopened at the next attempt, whatever happened to the file meanwhile
    outcome.unwritable = fault != Fault::Busy && !waiting_.empty();
    return outcome;
}

} // namespace history
