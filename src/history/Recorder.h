// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps every finished challenge: writes it to the history file at once, or keeps it in memory
// until the file can take it (at the next challenge, or at the end of the run).
#pragma once

#include "history/Database.h"

#include <memory>
#include <vector>

namespace history {

// How long a write waits for another program's lock: briefly during play, longer at the end.
constexpr std::chrono::milliseconds kWaitDuringPlay{20};
constexpr std::chrono::milliseconds kWaitAtExit{2000};

class Recorder {
public:
    explicit Recorder(QString path);
    // One last attempt for the records still waiting.
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    struct Outcome {
        std::vector<ChallengeRecord> saved; // written now, oldest first
        QString movedAside;                 // where a damaged file went, when one did
        std::size_t readFromDamaged = 0;    // its records that could be read, copied into the new file
        bool unwritable = false;            // records wait for a reason other than a lock
    };

    // Opens the file ahead of the first record, so that record costs no more than the others. A
    // damaged file is found here, at the start of the run.
    Outcome prepare() { return flush(kWaitDuringPlay); }
    // Adds the record and writes every waiting record in one transaction.
    Outcome record(const ChallengeRecord& record);
    // Writes the waiting records.
    Outcome flush(std::chrono::milliseconds busyWait);
    std::size_t waiting() const { return waiting_.size(); }
    // The records no attempt could write yet, oldest first.
    const std::vector<ChallengeRecord>& waitingRecords() const { return waiting_; }
    // The system's reason the last attempt failed; empty after one succeeded.
    const QString& failure() const { return failure_; }
    const QString& path() const { return path_; }

private:
    // A damaged file is moved aside and a new one started, the records still readable from it
    // waiting to be written first.
    Fault open(std::chrono::milliseconds busyWait, Outcome& outcome);
    Fault startAfresh(std::chrono::milliseconds busyWait, Outcome& outcome);

    QString path_;
    std::unique_ptr<Database> database_;
    std::vector<ChallengeRecord> waiting_;
    QString failure_;
};

// ~/.local/share/velmora/history.sqlite: the application's data folder.
QString DefaultHistoryPath();

struct MovedAside {
    QString path;    // the new name; empty when the file could not be moved
    QString failure; // the system's reason then
};

// Moves a damaged file and its journal aside as "<path>.damaged-<date and time>", never deleting
// anything.
MovedAside MoveAside(const QString& path);

} // namespace history
