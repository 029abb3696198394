// SPDX-License-Identifier: GPL-3.0-or-later
// The history file: an SQLite database through Qt SQL, its schema and its migrations.
#pragma once

#include "history/Record.h"

#include <QSqlDatabase>
#include <QString>

class QSqlError;
struct sqlite3;

#include <chrono>
#include <span>
#include <vector>

namespace history {

// The schema this program writes; older files are brought up to it when opened.
constexpr int kSchemaVersion = 5;

// What went wrong with the last operation, as far as the caller must act on it.
enum class Fault {
    None,
    Busy,       // another program holds the lock: try again later
    Damaged,    // not a database, or a corrupt one (checked when opened for writing): move it aside
    Unwritable, // full disk, read-only folder, missing permission: try again later
};

enum class Access {
    Write, // creates the file when missing and brings its schema up to date
    Read,  // leaves the file as it is: no write, so no sync, however the file stands
};

// One connection to a history file, closed when the object goes.
class Database {
public:
    // Opens the file, waiting up to `busyWait` for a lock. The outcome is in fault().
    Database(const QString& path, std::chrono::milliseconds busyWait, Access access = Access::Write);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Fault fault() const { return fault_; }
    // The system's reason for the first failure on this connection (SQLite's message, with the
    // operating system's error where there is one); empty while nothing failed.
    const QString& failure() const { return failure_; }
    // The file's schema version.
    int schemaVersion();
    void setBusyWait(std::chrono::milliseconds wait);

    // Writes the records in one transaction: all of them, or none.
    Fault append(std::span<const ChallengeRecord> records);
    // Every record, oldest first.
    std::vector<ChallengeRecord> readAll();
    // Of a damaged file: every record that can still be read, oldest first.
    std::vector<ChallengeRecord> readReadable();

    // The Qt connection, for tests that look at the file with SQL of their own.
    QSqlDatabase connection() const { return QSqlDatabase::database(name_, false); }

private:
    Fault run(const QString& statement);
    // Keeps the reason of the first failure; answers what it means for the caller.
    Fault failed(const QSqlError& error);
    Fault checkIntegrity();
    Fault migrate();
    sqlite3* handle() const;

    QString name_;
    Fault fault_ = Fault::None;
    QString failure_;
};

// The pitch-class suffixes of the detune and player columns: c, cs, d ... b.
QString PitchClassColumn(int pitchClass);

} // namespace history
