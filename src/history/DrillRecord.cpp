// SPDX-License-Identifier: GPL-3.0-or-later
// The drills' table: writing, reading and the CSV lines.
#include "history/DrillRecord.h"

#include "game/Instruments.h"
#include "history/Csv.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace history {

namespace {

const QString kColumns = QStringLiteral("at_utc_ms, at_offset_s, drill, subject, set_amount, answer, right, "
                                        "error_cents, threshold, instrument, device");

template <class T> QVariant Nullable(const std::optional<T>& value)
{
    return value ? QVariant(*value) : QVariant();
}

template <class T> std::optional<T> Optional(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional(value.value<T>());
}

QString Number(double value)
{
    return QString::number(value, 'f', 3);
}

} // namespace

QStringList DrillTableStatements()
{
    // The drill by name, so that a later drill needs no new number.
    return {QStringLiteral("CREATE TABLE drill_trials (id INTEGER PRIMARY KEY, "
                           "at_utc_ms INTEGER NOT NULL, at_offset_s INTEGER NOT NULL, drill TEXT NOT NULL, "
                           "subject TEXT NOT NULL, set_amount REAL NOT NULL, answer TEXT NOT NULL, "
                           "right INTEGER, error_cents REAL, threshold REAL, instrument INTEGER NOT NULL, "
                           "device TEXT NOT NULL)")};
}

QString DrillName(Drill drill)
{
    return drill == Drill::BeatComparison ? QStringLiteral("うなりの速さ比べ") : QStringLiteral("ユニゾン");
}

namespace {

QString StoredName(Drill drill)
{
    return drill == Drill::BeatComparison ? QStringLiteral("beat_comparison") : QStringLiteral("unison");
}

} // namespace

bool AppendDrillRecords(Database& database, std::span<const DrillRecord> records)
{
    QSqlDatabase connection = database.connection();
    if (!connection.transaction())
        return false;
    QSqlQuery insert(connection);
    bool written = insert.prepare(
        QStringLiteral("INSERT INTO drill_trials (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?)").arg(kColumns));
    for (auto record = records.begin(); written && record != records.end(); ++record) {
        const QVariantList values = {record->at.toMSecsSinceEpoch(),
                                     record->at.offsetFromUtc(),
                                     StoredName(record->drill),
                                     record->subject,
                                     record->setAmount,
                                     record->answer,
                                     record->right ? QVariant(int(*record->right)) : QVariant(),
                                     Nullable(record->errorCents),
                                     Nullable(record->threshold),
                                     record->instrument,
                                     record->device.isNull() ? QStringLiteral("") : record->device};
        for (int i = 0; i < values.size(); ++i)
            insert.bindValue(i, values[i]);
        written = insert.exec();
    }
    insert.finish();
    if (written && connection.commit())
        return true;
    connection.rollback();
    return false;
}

std::vector<DrillRecord> ReadDrillRecords(Database& database)
{
    std::vector<DrillRecord> records;
    QSqlQuery query(database.connection());
    if (!query.exec(QStringLiteral("SELECT %1 FROM drill_trials ORDER BY id").arg(kColumns)))
        return records;
    while (query.next()) {
        DrillRecord record;
        record.at = QDateTime::fromMSecsSinceEpoch(query.value(0).toLongLong(), Qt::OffsetFromUTC,
                                                   query.value(1).toInt());
        record.drill =
            query.value(2).toString() == StoredName(Drill::Unison) ? Drill::Unison : Drill::BeatComparison;
        record.subject = query.value(3).toString();
        record.setAmount = query.value(4).toDouble();
        record.answer = query.value(5).toString();
        record.right = query.value(6).isNull() ? std::nullopt : std::optional(query.value(6).toInt() != 0);
        record.errorCents = Optional<double>(query.value(7));
        record.threshold = Optional<double>(query.value(8));
        record.instrument = query.value(9).toInt();
        record.device = query.value(10).toString();
        records.push_back(record);
    }
    return records;
}

std::vector<TimedValue> UnisonMedianErrors(std::span<const DrillRecord> records, std::size_t window)
{
    std::vector<TimedValue> medians;
    std::vector<double> errors;
    for (const DrillRecord& record : records) {
        if (record.drill != Drill::Unison || !record.errorCents)
            continue;
        errors.push_back(std::abs(*record.errorCents));
        std::vector<double> last(errors.end() - std::ptrdiff_t(std::min(window, errors.size())),
                                 errors.end());
        std::sort(last.begin(), last.end());
        const std::size_t middle = last.size() / 2;
        const double median = last.size() % 2 ? last[middle] : (last[middle - 1] + last[middle]) / 2;
        medians.push_back({record.at, median});
    }
    return medians;
}

std::vector<TimedValue> ComparisonThresholds(std::span<const DrillRecord> records)
{
    std::vector<TimedValue> thresholds;
    for (const DrillRecord& record : records)
        if (record.drill == Drill::BeatComparison && record.threshold)
            thresholds.push_back({record.at, *record.threshold});
    return thresholds;
}

QByteArray DrillCsv(std::span<const DrillRecord> records)
{
    QStringList header = {"時刻", "練習", "音程・鍵盤",           "設定した差（%）・ずれ（セント）",
                          "答え", "正誤", "残ったずれ（セント）", "推定しきい値（%）",
                          "音色", "音源"};
    QString text = header.join(u',') + QStringLiteral("\r\n");
    for (const DrillRecord& record : records) {
        const bool comparison = record.drill == Drill::BeatComparison;
        const QStringList fields = {
            record.at.toString(Qt::ISODate),
            CsvTextField(DrillName(record.drill)),
            CsvTextField(record.subject),
            Number(comparison ? record.setAmount * 100 : record.setAmount),
            CsvField(record.answer), // our own digits, never a formula
            record.right ? (*record.right ? QStringLiteral("正") : QStringLiteral("誤")) : QString(),
            record.errorCents ? Number(*record.errorCents) : QString(),
            record.threshold ? Number(*record.threshold * 100) : QString(),
            CsvTextField(game::InstrumentName(record.instrument)),
            CsvTextField(record.device)};
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

} // namespace history
