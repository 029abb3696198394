// SPDX-License-Identifier: GPL-3.0-or-later
// The drills' trials in the history file: the table a file of schema 3 gains, the trials read back
// as written, the unison's running median and the CSV lines.
#include "history/DrillRecord.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace history;

namespace {

QDateTime At(int minute)
{
    return QDateTime(QDate(2026, 12, 8), QTime(9, minute), Qt::OffsetFromUTC, 9 * 3600);
}

DrillRecord Unison(int minute, double error)
{
    return {.at = At(minute),
            .drill = Drill::Unison,
            .subject = QStringLiteral("A4"),
            .setAmount = 1.5,
            .answer = QStringLiteral("-1.2"),
            .right = std::nullopt,
            .errorCents = error,
            .threshold = std::nullopt,
            .instrument = 0,
            .device = QStringLiteral("Synth")};
}

} // namespace

class TestDrillHistory : public QObject {
    Q_OBJECT

private slots:
    // A file of schema 3 (the challenges alone) gains the table; both drills' trials read back
    // as written, the comparison's empty error and the unison's empty verdict as SQL NULL.
    void schema3FileGainsTheTableAndTrialsReadBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.sqlite");
        {
            Database old(path, std::chrono::milliseconds(20));
            QSqlQuery query(old.connection());
            QVERIFY(query.exec("DROP TABLE drill_trials"));
            for (const char* column : {"exam_minutes", "exam_score", "exam_passed", "reference_pitch"})
                QVERIFY(query.exec(QStringLiteral("ALTER TABLE challenges DROP COLUMN %1").arg(column)));
            QVERIFY(query.exec("PRAGMA user_version=3"));
        }
        const std::vector<DrillRecord> written = {
            {.at = At(1),
             .drill = Drill::BeatComparison,
             .subject = QStringLiteral("A3–D4（完全4度） / G3–D4（完全5度）"),
             .setAmount = 0.3,
             .answer = QStringLiteral("2"),
             .right = true,
             .errorCents = std::nullopt,
             .threshold = 0.12,
             .instrument = 1,
             .device = QStringLiteral("Synth")},
            Unison(2, -0.3)};
        {
            Database database(path, std::chrono::milliseconds(20));
            QCOMPARE(database.schemaVersion(), 5);
            QVERIFY(AppendDrillRecords(database, written));
            QSqlQuery nulls(database.connection());
            QVERIFY(nulls.exec("SELECT count(*) FROM drill_trials WHERE error_cents IS NULL AND right = 1") &&
                    nulls.next());
            QCOMPARE(nulls.value(0).toInt(), 1);
        }
        Database database(path, std::chrono::milliseconds(20), Access::Read);
        QCOMPARE(ReadDrillRecords(database), written);
    }

    // After each check, the median of the last ten errors, either way alike.
    void unisonMedianOfTheLastTen()
    {
        std::vector<DrillRecord> records;
        const double errors[] = {-4, 1, 3, -0.5, 2, 2, 0.1, -0.2, 0.3, 0.4, 0.2, -0.1};
        for (int i = 0; i < int(std::size(errors)); ++i)
            records.push_back(Unison(i, errors[i]));
        const auto medians = UnisonMedianErrors(records);
        QCOMPARE(medians.size(), std::size(errors));
        QCOMPARE(medians[0].value, 4.0);
        QCOMPARE(medians[1].value, 2.5); // 4, 1
        QCOMPARE(medians[2].value, 3.0); // 4, 1, 3
        // 3 0.5 2 2 0.1 0.2 0.3 0.4 0.2 0.1, sorted: the middle two are 0.3 and 0.4.
        QCOMPARE(medians[11].value, 0.35);
        QCOMPARE(medians[11].at, At(11));
    }

    void csvLineOfEachDrill()
    {
        const DrillRecord comparison{.at = At(1),
                                     .drill = Drill::BeatComparison,
                                     .subject = QStringLiteral("F3–A3（長3度） / F♯3–A♯3（長3度）"),
                                     .setAmount = 0.06,
                                     .answer = QStringLiteral("1"),
                                     .right = false,
                                     .errorCents = std::nullopt,
                                     .threshold = std::nullopt,
                                     .instrument = 0,
                                     .device = QStringLiteral("=Synth")};
        const std::vector<DrillRecord> records = {comparison, Unison(2, -0.3)};
        const QList<QByteArray> lines = DrillCsv(records).split('\n');
        QCOMPARE(lines.size(), 4); // header, two trials, the empty rest after the last CR LF
        QVERIFY(lines[1].startsWith("2026-12-08T09:01:00+09:00,うなりの速さ比べ,"));
        QVERIFY(lines[1].contains(",6.000,1,誤,,,"));
        QVERIFY(lines[1].endsWith(",'=Synth\r"));
        QVERIFY(lines[2].contains(",1.500,-1.2,,-0.300,,"));
    }
};

QTEST_GUILESS_MAIN(TestDrillHistory)
#include "test_drill_history.moc"
