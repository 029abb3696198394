// SPDX-License-Identifier: GPL-3.0-or-later
// The history file: connection, pragmas, schema migrations, writing and reading records.
#include "history/Database.h"

#include "game/Version.h"
#include "history/DrillRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <system_error>

namespace history {

namespace {

// SQLite's primary result codes that decide what the caller does.
Fault FaultOfCode(int code)
{
    switch (code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
        return Fault::None;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Fault::Busy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Fault::Damaged;
    default:
        return Fault::Unwritable;
    }
}

Fault FaultOf(const QSqlError& error)
{
    return error.type() == QSqlError::NoError ? Fault::None : FaultOfCode(error.nativeErrorCode().toInt());
}

// Whether SQLite failed on a call to the operating system, whose error it then keeps.
bool FromTheSystem(const QSqlError& error)
{
    switch (error.nativeErrorCode().toInt() & 0xFF) {
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return true;
    default:
        return false;
    }
}

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::generic_category().message(code));
}

// SQLite tells only that it could not open the file, and Qt closes its handle, with the system's
// error, on the way: opening the file as SQLite would (creating it if missing) tells why.
QString OpenFailure(const QString& path, const QSqlError& error)
{
    const QString sqlite = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    QFile probe(path);
    if (probe.open(QIODevice::ReadWrite))
        return sqlite;
    return QStringLiteral("%1（%2）").arg(probe.errorString(), sqlite);
}

// A statement run straight on the connection's SQLite handle: reading a long history through
// Qt's one variant per value would cost several times as much.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const QString& sql)
    {
        sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement_, nullptr);
    }
    ~SqliteStatement() { sqlite3_finalize(statement_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    int step() { return statement_ ? sqlite3_step(statement_) : SQLITE_ERROR; }
    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    double real(int column) const { return sqlite3_column_double(statement_, column); }
    QByteArray text(int column) const
    {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return QByteArray(bytes, sqlite3_column_bytes(statement_, column));
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

QString ValueColumns(const QString& prefix)
{
    QStringList columns;
    for (int k = 0; k < kPitchClasses; ++k)
        columns << prefix + PitchClassColumn(k);
    return columns.join(QStringLiteral(", "));
}

// The columns a record is written to and read from, in this order.
QString RecordColumns()
{
    return QStringLiteral("started_utc_ms, started_offset_s, ended_utc_ms, ended_offset_s, difficulty, "
                          "instrument, device, reference_tone_used, score, elapsed_ms, ") +
           ValueColumns(QStringLiteral("detune_")) + QStringLiteral(", ") +
           ValueColumns(QStringLiteral("player_")) +
           QStringLiteral(", beat_window_used, program_version, exam_minutes, exam_score, exam_passed, "
                          "reference_pitch");
}

// The columns later migrations added, with the value a record made before them has: a file that
// could not be migrated (opened to read only, on a read-only disk) still reads.
struct AddedColumn {
    int version; // the schema version that has it
    const char* name;
    const char* before;
};
constexpr AddedColumn kAddedColumns[] = {
    {2, "program_version", "''"}, {3, "beat_window_used", "0"}, {4, "exam_minutes", "0"},
    {4, "exam_score", "0"},       {4, "exam_passed", "0"},      {4, "reference_pitch", "440"},
};

// RecordColumns() as a file of schema `version` has them.
QString ColumnsToRead(int version)
{
    QString columns = RecordColumns();
    for (const AddedColumn& added : kAddedColumns)
        if (version >= 0 && version < added.version)
            columns.replace(QStringLiteral(", ") + QLatin1String(added.name),
                            QStringLiteral(", ") + QLatin1String(added.before));
    return columns;
}

QString IntegerColumns(const QString& prefix)
{
    return ValueColumns(prefix).replace(QStringLiteral(","), QStringLiteral(" INTEGER NOT NULL,")) +
           QStringLiteral(" INTEGER NOT NULL");
}

// Migration i brings a file from schema version i to i + 1. Times are UTC milliseconds with the
// local offset in seconds beside them; the twelve values of each kind have columns of their own.
const std::vector<QStringList>& Migrations()
{
    static const std::vector<QStringList> migrations = {
        {QStringLiteral("CREATE TABLE challenges (id INTEGER PRIMARY KEY, "
                        "started_utc_ms INTEGER NOT NULL, started_offset_s INTEGER NOT NULL, "
                        "ended_utc_ms INTEGER NOT NULL, ended_offset_s INTEGER NOT NULL, "
                        "difficulty INTEGER NOT NULL, instrument INTEGER NOT NULL, device TEXT NOT NULL, "
                        "reference_tone_used INTEGER NOT NULL, score INTEGER NOT NULL, "
                        "elapsed_ms INTEGER NOT NULL, ") +
         IntegerColumns(QStringLiteral("detune_")) + QStringLiteral(", ") +
         IntegerColumns(QStringLiteral("player_")) + u')'},
        {QStringLiteral("ALTER TABLE challenges ADD COLUMN program_version TEXT NOT NULL DEFAULT ''")},
        {QStringLiteral("ALTER TABLE challenges ADD COLUMN beat_window_used INTEGER NOT NULL DEFAULT 0")},
        // Exams and the reference pitch: every older record is the normal game's at 440 Hz.
        {QStringLiteral("ALTER TABLE challenges ADD COLUMN exam_minutes INTEGER NOT NULL DEFAULT 0"),
         QStringLiteral("ALTER TABLE challenges ADD COLUMN exam_score REAL NOT NULL DEFAULT 0"),
         QStringLiteral("ALTER TABLE challenges ADD COLUMN exam_passed INTEGER NOT NULL DEFAULT 0"),
         QStringLiteral("ALTER TABLE challenges ADD COLUMN reference_pitch INTEGER NOT NULL DEFAULT 440")},
        // 5: the practice drills' trials, a table of their own.
        DrillTableStatements(),
    };
    return migrations;
}

QDateTime FromStored(std::int64_t utcMs, std::int64_t offsetSeconds)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::OffsetFromUTC, int(offsetSeconds));
}

// An empty list's text is a null string, which Qt would bind as SQL's NULL.
QString NotNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// Steps `query` (the record columns, then optionally the id) to its end or its first error,
// appending a record per row; answers SQLite's last result. `lastId` gets the last row's id.
int ReadRecords(SqliteStatement& query, std::vector<ChallengeRecord>& records, std::int64_t* lastId = nullptr)
{
    int result = SQLITE_OK;
    QByteArray lastDevice, lastVersion;
    const std::size_t first = records.size();
    while ((result = query.step()) == SQLITE_ROW) {
        ChallengeRecord& record = records.emplace_back();
        record.started = FromStored(query.integer(0), query.integer(1));
        record.ended = FromStored(query.integer(2), query.integer(3));
        record.difficulty = int(query.integer(4));
        record.instrument = int(query.integer(5));
        // Consecutive records nearly always share the device: share its text too.
        const QByteArray device = query.text(6);
        record.device = records.size() > first + 1 && device == lastDevice
                            ? records[records.size() - 2].device
                            : QString::fromUtf8(device);
        lastDevice = device;
        record.referenceToneUsed = query.integer(7) != 0;
        record.score = std::int32_t(query.integer(8));
        record.elapsedMs = query.integer(9);
        for (int k = 0; k < kPitchClasses; ++k) {
            record.detune[std::size_t(k)] = std::int32_t(query.integer(10 + k));
            record.player[std::size_t(k)] = std::int32_t(query.integer(10 + kPitchClasses + k));
        }
        record.beatWindowUsed = query.integer(10 + 2 * kPitchClasses) != 0;
        // Shared like the device.
        const QByteArray version = query.text(11 + 2 * kPitchClasses);
        record.programVersion = records.size() > first + 1 && version == lastVersion
                                    ? records[records.size() - 2].programVersion
                                    : QString::fromUtf8(version);
        lastVersion = version;
        record.examMinutes = int(query.integer(12 + 2 * kPitchClasses));
        record.examScore = query.real(13 + 2 * kPitchClasses);
        record.examPassed = query.integer(14 + 2 * kPitchClasses) != 0;
        record.referencePitch = int(query.integer(15 + 2 * kPitchClasses));
        if (lastId)
            *lastId = query.integer(16 + 2 * kPitchClasses);
    }
    return result;
}

} // namespace

QString PitchClassColumn(int pitchClass)
{
    static const QStringList names = {"c", "cs", "d", "ds", "e", "f", "fs", "g", "gs", "a", "as", "b"};
    return names[pitchClass];
}

Database::Database(const QString& path, std::chrono::milliseconds busyWait, Access access)
    : name_(QStringLiteral("velmora-history-%1").arg(quintptr(this), 0, 16))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    if (access == Access::Read)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    else
        QDir().mkpath(QFileInfo(path).absolutePath());
    if (!db.open()) {
        fault_ = FaultOf(db.lastError());
        if (fault_ == Fault::None)
            fault_ = Fault::Unwritable;
        failure_ = OpenFailure(path, db.lastError());
        return;
    }
    setBusyWait(busyWait);
    if (access == Access::Read)
        return;
    // Before anything is written to it: a damaged page read as no records at all, and new records
    // went into the damaged file.
    if ((fault_ = checkIntegrity()) != Fault::None)
        return;
    // Without a sync at every commit a record costs well under the check's budget; the write-ahead
    // log still keeps every committed record through a crash of the program. The log is copied
    // into the file (with its sync) when the last program closes it, never in the middle of play.
    for (const char* statement :
         {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA wal_autocheckpoint=0"})
        if ((fault_ = run(QString::fromLatin1(statement))) != Fault::None)
            return;
    fault_ = migrate();
}

Database::~Database()
{
    connection().close();
    QSqlDatabase::removeDatabase(name_);
}

Fault Database::run(const QString& statement)
{
    QSqlQuery query(connection());
    return query.exec(statement) ? Fault::None : failed(query.lastError());
}

// SQLite's quick check walks every page of the file (about 0.1 s for 100,000 challenges, 10.6 MB);
// the full integrity check would add only the comparison of indexes, which the history has none of.
Fault Database::checkIntegrity()
{
    QSqlQuery check(connection());
    if (!check.exec(QStringLiteral("PRAGMA quick_check(1)")))
        return failed(check.lastError());
    return check.next() && check.value(0).toString() == QStringLiteral("ok") ? Fault::None : Fault::Damaged;
}

Fault Database::failed(const QSqlError& error)
{
    if (failure_.isEmpty()) {
        failure_ = error.databaseText().isEmpty() ? error.text() : error.databaseText();
        if (sqlite3* const db = handle(); db && FromTheSystem(error) && sqlite3_system_errno(db) != 0)
            failure_ += QStringLiteral("（%1）").arg(SystemError(sqlite3_system_errno(db)));
    }
    return FaultOf(error);
}

void Database::setBusyWait(std::chrono::milliseconds wait)
{
    run(QStringLiteral("PRAGMA busy_timeout=%1").arg(wait.count()));
}

int Database::schemaVersion()
{
    QSqlQuery query(connection());
    return query.exec(QStringLiteral("PRAGMA user_version")) && query.next() ? query.value(0).toInt() : -1;
}

// One transaction, taken for writing before the version is read, so that two programs starting
// together never both migrate.
Fault Database::migrate()
{
    if (const Fault fault = run(QStringLiteral("BEGIN IMMEDIATE")); fault != Fault::None)
        return fault;
    Fault fault = Fault::None;
    const int from = schemaVersion();
    if (from < 0)
        fault = Fault::Damaged;
    // A newer file is left as it is: this program writes only columns that every version keeps.
    int version = from;
    for (; fault == Fault::None && version < kSchemaVersion; ++version)
        for (const QString& statement : Migrations()[std::size_t(version)])
            if ((fault = run(statement)) != Fault::None)
                break;
    // Written even when it stands: the first write of a run starts the write-ahead log, with a
    // sync of its own, and that is better spent here than in the first answer check.
    if (fault == Fault::None)
        fault = run(QStringLiteral("PRAGMA user_version=%1").arg(version));
    if (fault == Fault::None && (fault = run(QStringLiteral("COMMIT"))) == Fault::None)
        return Fault::None;
    run(QStringLiteral("ROLLBACK"));
    return fault;
}

Fault Database::append(std::span<const ChallengeRecord> records)
{
    if (const Fault fault = run(QStringLiteral("BEGIN IMMEDIATE")); fault != Fault::None)
        return fault;
    QSqlQuery insert(connection());
    const int valueCount = 10 + 2 * kPitchClasses + 6;
    QStringList marks;
    for (int i = 0; i < valueCount; ++i)
        marks << QStringLiteral("?");
    Fault fault = Fault::None;
    if (!insert.prepare(
            QStringLiteral("INSERT INTO challenges (%1) VALUES (%2)").arg(RecordColumns(), marks.join(u','))))
        fault = failed(insert.lastError());
    for (auto record = records.begin(); fault == Fault::None && record != records.end(); ++record) {
        const QVariantList values = {record->started.toMSecsSinceEpoch(),
                                     record->started.offsetFromUtc(),
                                     record->ended.toMSecsSinceEpoch(),
                                     record->ended.offsetFromUtc(),
                                     record->difficulty,
                                     record->instrument,
                                     NotNull(record->device),
                                     int(record->referenceToneUsed),
                                     record->score,
                                     qint64(record->elapsedMs)};
        int position = 0;
        for (const QVariant& value : values)
            insert.bindValue(position++, value);
        for (const Cents* cents : {&record->detune, &record->player})
            for (std::int32_t value : *cents)
                insert.bindValue(position++, value);
        insert.bindValue(position++, int(record->beatWindowUsed));
        insert.bindValue(position++, record->programVersion.isEmpty() ? QString::fromLatin1(game::kVersion)
                                                                      : record->programVersion);
        insert.bindValue(position++, record->examMinutes);
        insert.bindValue(position++, record->examScore);
        insert.bindValue(position++, int(record->examPassed));
        insert.bindValue(position, record->referencePitch);
        if (!insert.exec())
            fault = failed(insert.lastError());
    }
    insert.finish();
    if (fault == Fault::None && (fault = run(QStringLiteral("COMMIT"))) == Fault::None)
        return Fault::None;
    run(QStringLiteral("ROLLBACK"));
    return fault;
}

sqlite3* Database::handle() const
{
    const QVariant handle = connection().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

std::vector<ChallengeRecord> Database::readAll()
{
    std::vector<ChallengeRecord> records;
    sqlite3* const db = handle();
    if (!db)
        return records;
    if (SqliteStatement count(db, QStringLiteral("SELECT count(*) FROM challenges"));
        count.step() == SQLITE_ROW)
        records.reserve(std::size_t(count.integer(0)));
    SqliteStatement query(
        db, QStringLiteral("SELECT %1 FROM challenges ORDER BY id").arg(ColumnsToRead(schemaVersion())));
    if (const int result = ReadRecords(query, records); result != SQLITE_DONE)
        fault_ = FaultOfCode(result);
    return records;
}

// A rowid table is read in order from either end; a damaged page ends a walk, so one walk forward
// up to it and one backward down to it leave out only what that page held (and whatever lies
// between damaged pages, when there are several).
std::vector<ChallengeRecord> Database::readReadable()
{
    std::vector<ChallengeRecord> records;
    sqlite3* const db = handle();
    if (!db)
        return records;
    const QString columns = ColumnsToRead(schemaVersion());
    SqliteStatement forward(db, QStringLiteral("SELECT %1, id FROM challenges ORDER BY id").arg(columns));
    std::int64_t lastId = 0;
    if (ReadRecords(forward, records, &lastId) == SQLITE_DONE)
        return records;
    std::vector<ChallengeRecord> tail;
    const QString after = records.empty() ? QString() : QStringLiteral("WHERE id > %1").arg(lastId);
    SqliteStatement backward(
        db, QStringLiteral("SELECT %1 FROM challenges %2 ORDER BY id DESC").arg(columns, after));
    ReadRecords(backward, tail);
    records.insert(records.end(), tail.rbegin(), tail.rend());
    return records;
}

} // namespace history
