// The history file: connection, pragmas, schema migrations, writing and reading records.
#include "history/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace history {

namespace {

// The program version stored with each record, so later versions know who wrote it.
constexpr char kProgramVersion[] = "1.32";

// SQLite's primary result codes that decide what the caller does.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

Fault FaultOf(const QSqlError& error)
{
    if (error.type() == QSqlError::NoError)
        return Fault::None;
    switch (error.nativeErrorCode().toInt() & 0xFF) {
    case kSqliteBusy:
    case kSqliteLocked:
        return Fault::Busy;
    case kSqliteCorrupt:
    case kSqliteNotADatabase:
        return Fault::Damaged;
    default:
        return Fault::Unwritable;
    }
}

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
           ValueColumns(QStringLiteral("detune_")) + QStringLiteral(", ") + ValueColumns(QStringLiteral("player_"));
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
         IntegerColumns(QStringLiteral("detune_")) + QStringLiteral(", ") + IntegerColumns(QStringLiteral("player_")) + u')'},
        {QStringLiteral("ALTER TABLE challenges ADD COLUMN program_version TEXT NOT NULL DEFAULT ''")},
    };
    return migrations;
}

QDateTime FromStored(const QVariant& utcMs, const QVariant& offsetSeconds)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs.toLongLong(), Qt::OffsetFromUTC, offsetSeconds.toInt());
}

} // namespace

QString PitchClassColumn(int pitchClass)
{
    static const QStringList names = {"c", "cs", "d", "ds", "e", "f", "fs", "g", "gs", "a", "as", "b"};
    return names[pitchClass];
}

Database::Database(const QString& path, std::chrono::milliseconds busyWait)
    : name_(QStringLiteral("velmora-history-%1").arg(quintptr(this), 0, 16))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    if (!db.open()) {
        fault_ = FaultOf(db.lastError());
        if (fault_ == Fault::None)
            fault_ = Fault::Unwritable;
        return;
    }
    setBusyWait(busyWait);
    // Without a sync at every commit a record costs well under the check's budget; the write-ahead
    // log still keeps every committed record through a crash of the program.
    for (const char* statement : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"})
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
    return query.exec(statement) ? Fault::None : FaultOf(query.lastError());
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
    for (int version = from; fault == Fault::None && version < kSchemaVersion; ++version) {
        for (const QString& statement : Migrations()[std::size_t(version)])
            if ((fault = run(statement)) != Fault::None)
                break;
        if (fault == Fault::None)
            fault = run(QStringLiteral("PRAGMA user_version=%1").arg(version + 1));
    }
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
    const int valueCount = 10 + 2 * kPitchClasses + 1;
    QStringList marks;
    for (int i = 0; i < valueCount; ++i)
        marks << QStringLiteral("?");
    Fault fault = Fault::None;
    if (!insert.prepare(QStringLiteral("INSERT INTO challenges (%1, program_version) VALUES (%2)")
                            .arg(RecordColumns(), marks.join(u','))))
        fault = FaultOf(insert.lastError());
    for (auto record = records.begin(); fault == Fault::None && record != records.end(); ++record) {
        const QVariantList values = {
            record->started.toMSecsSinceEpoch(), record->started.offsetFromUtc(),
            record->ended.toMSecsSinceEpoch(),   record->ended.offsetFromUtc(),
            record->difficulty,                  record->instrument,
            record->device,                      int(record->referenceToneUsed),
            record->score,                       qint64(record->elapsedMs)};
        int position = 0;
        for (const QVariant& value : values)
            insert.bindValue(position++, value);
        for (const Cents* cents : {&record->detune, &record->player})
            for (std::int32_t value : *cents)
                insert.bindValue(position++, value);
        insert.bindValue(position, QString::fromLatin1(kProgramVersion));
        if (!insert.exec())
            fault = FaultOf(insert.lastError());
    }
    insert.finish();
    if (fault == Fault::None && (fault = run(QStringLiteral("COMMIT"))) == Fault::None)
        return Fault::None;
    run(QStringLiteral("ROLLBACK"));
    return fault;
}

std::vector<ChallengeRecord> Database::readAll()
{
    std::vector<ChallengeRecord> records;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM challenges ORDER BY id").arg(RecordColumns()))) {
        fault_ = FaultOf(query.lastError());
        return records;
    }
    while (query.next()) {
        ChallengeRecord& record = records.emplace_back();
        record.started = FromStored(query.value(0), query.value(1));
        record.ended = FromStored(query.value(2), query.value(3));
        record.difficulty = query.value(4).toInt();
        record.instrument = query.value(5).toInt();
        // Consecutive records nearly always share the device: share its text too.
        const QString device = query.value(6).toString();
        record.device = records.size() > 1 && records[records.size() - 2].device == device
                            ? records[records.size() - 2].device
                            : device;
        record.referenceToneUsed = query.value(7).toBool();
        record.score = query.value(8).toInt();
        record.elapsedMs = query.value(9).toLongLong();
        for (int k = 0; k < kPitchClasses; ++k) {
            record.detune[std::size_t(k)] = query.value(10 + k).toInt();
            record.player[std::size_t(k)] = query.value(10 + kPitchClasses + k).toInt();
        }
    }
    return records;
}

} // namespace history
