// SPDX-License-Identifier: GPL-3.0-or-later
// The history file and its faults, the statistics, the beat rates and the CSV export.
#include "history/BeatRates.h"
#include "history/ChartScale.h"
#include "history/Csv.h"
#include "history/Recorder.h"
#include "history/Statistics.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace history;

namespace {

ChallengeRecord Record(int score, int difficulty = 0, Cents errors = {})
{
    ChallengeRecord record;
    record.started = QDateTime(QDate(2024, 5, 1), QTime(9, 0), Qt::OffsetFromUTC, 9 * 3600);
    record.ended = record.started.addSecs(90);
    record.elapsedMs = 90'000;
    record.difficulty = difficulty;
    record.device = QStringLiteral("Test Synth A");
    record.score = score;
    record.detune = {3, -7, 0, 12, -15, 9, 1, -19, 4, 0, -2, 6};
    for (std::size_t k = 0; k < 12; ++k)
        record.player[k] = errors[k] - record.detune[k];
    return record;
}

std::vector<ChallengeRecord> ReadAll(const QString& path)
{
    Database database(path, kWaitDuringPlay);
    return database.readAll();
}

// The rows of a CSV text as a spreadsheet reads them (RFC 4180): fields split at commas, a quoted
// field may hold commas, line breaks and doubled quotes, rows end at CR LF.
QList<QStringList> ReadCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i], next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (quoted && c == u'"' && next == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u',') {
            row << std::exchange(field, {});
        } else if (!quoted && c == u'\r' && next == u'\n') {
            row << std::exchange(field, {});
            rows << std::exchange(row, {});
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

// The table as the first version of the history made it.
QString FirstVersionTable()
{
    QString columns;
    for (const char* kind : {"detune_", "player_"})
        for (const char* pc : {"c", "cs", "d", "ds", "e", "f", "fs", "g", "gs", "a", "as", "b"})
            columns += QStringLiteral(", %1%2 INTEGER NOT NULL").arg(kind, pc);
    return "CREATE TABLE challenges (id INTEGER PRIMARY KEY, started_utc_ms INTEGER NOT NULL, "
           "started_offset_s INTEGER NOT NULL, ended_utc_ms INTEGER NOT NULL, ended_offset_s "
           "INTEGER NOT NULL, difficulty INTEGER NOT NULL, instrument INTEGER NOT NULL, device "
           "TEXT NOT NULL, reference_tone_used INTEGER NOT NULL, score INTEGER NOT NULL, "
           "elapsed_ms INTEGER NOT NULL" +
           columns + ")";
}

// A history file as an older version left it: these statements run on a new file.
void WriteOldFile(const QString& path, const QStringList& statements)
{
    {
        auto db = QSqlDatabase::addDatabase("QSQLITE", "old");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString& statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase("old");
}

// A second program's connection holding the write lock until released.
class WriteLock {
public:
    explicit WriteLock(const QString& path) : db_(QSqlDatabase::addDatabase("QSQLITE", "holder"))
    {
        db_.setDatabaseName(path);
        QVERIFY(db_.open());
        QVERIFY(QSqlQuery(db_).exec("BEGIN IMMEDIATE"));
    }
    ~WriteLock() { release(); }
    void release()
    {
        if (!db_.isOpen())
            return;
        QSqlQuery(db_).exec("ROLLBACK");
        db_.close();
        db_ = {};
        QSqlDatabase::removeDatabase("holder");
    }

private:
    QSqlDatabase db_;
};

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void migratesAnEmptyFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.sqlite");
        QFile(path).open(QIODevice::WriteOnly); // zero bytes: a new file as SQLite sees it
        {
            Database database(path, kWaitDuringPlay);
            QCOMPARE(database.fault(), Fault::None);
            QCOMPARE(database.schemaVersion(), 5);
            QSqlQuery mode(database.connection());
            QVERIFY(mode.exec("PRAGMA journal_mode") && mode.next());
            QCOMPARE(mode.value(0).toString(), QStringLiteral("wal"));
            mode.finish();
            ChallengeRecord record = Record(50);
            record.device = QString(); // an empty device list's text
            QCOMPARE(database.append({&record, 1}), Fault::None);
        }
        QCOMPARE(ReadAll(path).size(), 1u);
    }

    void migratesTheFirstVersionKeepingItsRecords()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.sqlite");
        WriteOldFile(path,
                     {FirstVersionTable(),
                      "INSERT INTO challenges VALUES (1, 1714521600000, 7200, 1714521660000, 7200, 3, 5, "
                      "'Old Synth', 1, 70, 60000, 10,0,0,0,0,0,0,0,0,0,0,-20, "
                      "-10,0,0,0,0,0,0,0,0,0,0,0)",
                      "PRAGMA user_version=1"});
        {
            Database database(path, kWaitDuringPlay);
            QCOMPARE(database.schemaVersion(), 5);
        }
        const auto records = ReadAll(path);
        QCOMPARE(records.size(), 1u);
        QCOMPARE(records[0].device, QStringLiteral("Old Synth"));
        QCOMPARE(records[0].started.offsetFromUtc(), 7200);
        QCOMPARE(records[0].detune[11], -20);
        QCOMPARE(records[0].signedError(11), -20);
    }

    // A file of the version before exams: its records come back as the normal game's at 440 Hz, and
    // an exam's record written after them keeps its limit, examiners' score, pass and pitch.
    void migratesTheVersionBeforeExams()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.sqlite");
        // Versions 2 and 3 as they added their columns.
        WriteOldFile(path,
                     {FirstVersionTable(),
                      "ALTER TABLE challenges ADD COLUMN program_version TEXT NOT NULL DEFAULT ''",
                      "ALTER TABLE challenges ADD COLUMN beat_window_used INTEGER NOT NULL DEFAULT 0",
                      "INSERT INTO challenges VALUES (1, 1714521600000, 7200, 1714521660000, 7200, 1, 0, "
                      "'Old Synth', 0, 88, 60000" +
                          QString(", 0").repeated(24) + ", 'Velmora Version 1.31', 1)",
                      "PRAGMA user_version=3"});
        // Opened to read only, as on a read-only disk, it reads without its migration.
        {
            Database readOnly(path, kWaitDuringPlay, Access::Read);
            const auto old = readOnly.readAll();
            QCOMPARE(readOnly.fault(), Fault::None);
            QCOMPARE(old.size(), 1u);
            QCOMPARE(old[0].programVersion, QStringLiteral("Velmora Version 1.31"));
            QCOMPARE(old[0].referencePitch, 440);
        }
        ChallengeRecord exam = Record(95);
        exam.examMinutes = 20;
        exam.examScore = 92.5;
        exam.examPassed = true;
        exam.referencePitch = 442;
        {
            Database database(path, kWaitDuringPlay);
            QCOMPARE(database.schemaVersion(), 5);
            QCOMPARE(database.append({&exam, 1}), Fault::None);
        }
        const auto records = ReadAll(path);
        QCOMPARE(records.size(), 2u);
        QCOMPARE(records[0].score, 88);
        QVERIFY(records[0].beatWindowUsed);
        QVERIFY(!records[0].isExam());
        QCOMPARE(records[0].referencePitch, 440);
        QCOMPARE(records[1].examMinutes, 20);
        QCOMPARE(records[1].examScore, 92.5);
        QVERIFY(records[1].examPassed);
        QCOMPARE(records[1].referencePitch, 442);
        const QList<QStringList> rows = ReadCsv(QString::fromUtf8(HistoryCsv(records).mid(3)));
        QCOMPARE(rows[0].mid(34),
                 (QStringList{"モード", "制限時間（分）", "検定式の得点", "検定の合否", "基準ピッチ（Hz）"}));
        QCOMPARE(rows[1].mid(34), (QStringList{"通常", "0", "", "", "440"}));
        QCOMPARE(rows[2].mid(34), (QStringList{"検定", "20", "92.5", "合格", "442"}));
    }

    void damagedFileIsMovedAsideAndANewOneStarted()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.sqlite");
        const QByteArray garbage(8192, 'x');
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        Recorder recorder(path);
        const auto outcome = recorder.record(Record(42));
        QVERIFY(outcome.movedAside.startsWith(path + ".damaged-"));
        QCOMPARE(outcome.saved.size(), 1u);
        QFile aside(outcome.movedAside);
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), garbage);
        QCOMPARE(ReadAll(path).size(), 1u);
    }

    // A table page damaged on purpose: SQLite's integrity check fails, and reading stops at it.
    // Found when the file is opened, before anything is written: moved aside as it was, the records
    // of every other page copied into a new file, which takes the next record.
    void damagedPageIsMovedAsideAndTheReadableRecordsKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.sqlite");
        constexpr int kRecords = 400;
        {
            std::vector<ChallengeRecord> records;
            for (int score = 0; score < kRecords; ++score)
                records.push_back(Record(score));
            Database database(path, kWaitDuringPlay);
            QCOMPARE(database.append(records), Fault::None);
        } // the last connection folds the log into the file
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        // SQLite's file format: the page size at byte 16, big-endian; a table's leaf page begins with
        // 13 and holds the count of its cells (records) at its bytes 3 and 4. Page 1 is the schema.
        const auto bigEndian = [&](qsizetype at) { return quint8(bytes[at]) << 8 | quint8(bytes[at + 1]); };
        const qsizetype pageSize = bigEndian(16);
        std::vector<qsizetype> leaves;
        for (qsizetype at = pageSize; at + pageSize <= bytes.size(); at += pageSize)
            if (bytes[at] == 13)
                leaves.push_back(at);
        QVERIFY(leaves.size() >= 3);
        const qsizetype damaged = leaves[leaves.size() / 2];
        const int lost = bigEndian(damaged + 3);
        QVERIFY(lost > 0);
        bytes.replace(damaged, pageSize, QByteArray(pageSize, '\xA5'));
        QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
        file.close();

        Recorder recorder(path);
        const auto outcome = recorder.prepare();
        QVERIFY(outcome.movedAside.startsWith(path + ".damaged-"));
        QCOMPARE(outcome.readFromDamaged, std::size_t(kRecords - lost));
        QFile aside(outcome.movedAside);
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), bytes);
        QCOMPARE(recorder.record(Record(kRecords)).saved.size(), 1u);
        std::vector<int> scores;
        for (const auto& record : ReadAll(path))
            scores.push_back(record.score);
        QCOMPARE(scores.size(), std::size_t(kRecords - lost + 1));
        QVERIFY(std::is_sorted(scores.begin(), scores.end()));
        QCOMPARE(scores.back(), kRecords);
    }

    void lockedFileKeepsTheRecordForTheNextCheckAndTheEnd()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("history.sqlite");
        {
            Recorder recorder(path);
            recorder.record(Record(1));
            {
                WriteLock lock(path);
                const auto blocked = recorder.record(Record(2));
                QVERIFY(blocked.saved.empty() && !blocked.unwritable);
                QCOMPARE(recorder.waiting(), 1u);
            }
            QCOMPARE(recorder.record(Record(3)).saved.size(), 2u);
            WriteLock lock(path);
            recorder.record(Record(4));
            QCOMPARE(recorder.waiting(), 1u);
            lock.release();
        } // the recorder's last attempt
        std::vector<int> scores;
        for (const auto& record : ReadAll(path))
            scores.push_back(record.score);
        QCOMPARE(scores, std::vector<int>({1, 2, 3, 4}));
    }

    void unwritableFolderKeepsTheRecord()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("blocker")).open(QIODevice::WriteOnly); // a file where the folder should be
        Recorder recorder(dir.filePath("blocker/history.sqlite"));
        const auto outcome = recorder.record(Record(5));
        QVERIFY(outcome.unwritable);
        QCOMPARE(recorder.waiting(), 1u);
    }

    void movingAverageOfTen()
    {
        std::vector<double> values;
        for (int v = 1; v <= 12; ++v)
            values.push_back(v);
        const std::vector<double> expected = {1, 1.5, 2, 2.5, 3, 3.5, 4, 4.5, 5, 5.5, 6.5, 7.5};
        QCOMPARE(MovingAverage(values), expected);
    }

    void thinnedLineKeepsEachRunsExtremesInOrder()
    {
        QList<QPointF> line;
        for (double y : {5, 1, 9, 4, 7, 3, 8, 2})
            line << QPointF(line.size(), y);
        QCOMPARE(Thinned(line, 2), QList<QPointF>({{1, 1}, {2, 9}, {6, 8}, {7, 2}}));
        QCOMPARE(Thinned(line, 4), line);
    }

    void errorsPerPitchClassOverTheNewest()
    {
        const std::vector<ChallengeRecord> records = {Record(0, 0, {9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                                                      Record(0, 0, {-4, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0}),
                                                      Record(0, 0, {2, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0})};
        const auto lastTwo = PitchClassErrors(records, 2);
        QCOMPARE(lastTwo[0].meanSigned, -1.0);
        QCOMPARE(lastTwo[0].meanAbsolute, 3.0);
        QCOMPARE(lastTwo[6].meanSigned, 3.0);
        const auto all = PitchClassErrors(records, std::nullopt);
        QCOMPARE(all[0].meanSigned, 7.0 / 3);
        QCOMPARE(all[0].meanAbsolute, 5.0);
        QCOMPARE(PitchClassErrors({}, 10)[0].meanAbsolute, 0.0);
    }

    void summaryPerDifficulty()
    {
        const std::vector<ChallengeRecord> records = {Record(70, 1), Record(90, 1), Record(-20, 3),
                                                      Record(80, 1), Record(60, 1)};
        const Summary summary = Summarize(records);
        QCOMPARE(summary.challenges, 5);
        QCOMPARE(summary.practisedMs, 450'000);
        QCOMPARE(summary.byDifficulty[1].challenges, 4);
        QCOMPARE(summary.byDifficulty[1].best, 90);
        QCOMPARE(summary.byDifficulty[1].median, 75.0);
        QCOMPARE(summary.byDifficulty[1].latest, 60);
        QCOMPARE(summary.byDifficulty[3].median, -20.0);
        QCOMPARE(summary.byDifficulty[0].challenges, 0);
    }

    void beatRatesOfAKnownTuning()
    {
        // A +1, D -3, E +2, F -3 cents; worked out with A4 = 440 Hz.
        const auto beats = BeatsOfTuning({0, 0, -3, 0, 2, -3, 0, 0, 0, 1, 0, 0});
        const auto near = [](std::optional<double> actual, double expected) {
            return actual && std::abs(*actual - expected) < 0.0005;
        };
        QVERIFY(near(beats[0].player, 0.2542)); // reference A3 - A4, octave
        QVERIFY(near(beats[1].player, 0.7284)); // A4 - E5, fifth, still narrow
        QVERIFY(near(beats[1].equalTemperament, 1.4898));
        QVERIFY(near(beats[2].player, 2.0790)); // A4 - D5, fourth, narrow: the wrong way
        QVERIFY(near(beats[2].equalTemperament, 1.9886));
        QVERIFY(near(beats[3].player, 4.5183));  // E5 - B4, fourth, wide
        QVERIFY(near(beats[10].player, 0.6315)); // F4 - C5, fifth, wide: the wrong way
        std::vector<int> wrongWay;
        for (int i = 0; i < 12; ++i)
            if (beats[std::size_t(i)].wrongWay)
                wrongWay.push_back(i + 1);
        QCOMPARE(wrongWay, std::vector<int>({3, 11}));
        QCOMPARE(NoteName(TuningOrder()[5].toNote), QStringLiteral("C#5"));
    }

    // Ticks on 1, 2 or 5 times a power of ten, half a step of room beyond the values.
    void chartScalesAreRound_data()
    {
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::addColumn<QList<double>>("lowHighStep");
        QTest::newRow("scores 0 to 100") << 0.0 << 100.0 << QList<double>{-10, 110, 20};
        QTest::newRow("down to -107") << -107.0 << 100.0 << QList<double>{-132, 125, 50};
        QTest::newRow("errors within a cent") << -0.3 << 0.3 << QList<double>{-0.4, 0.4, 0.2};
        QTest::newRow("errors of 13 cents") << -13.0 << 13.0 << QList<double>{-18, 18, 10};
    }
    void chartScalesAreRound()
    {
        QFETCH(double, lowest);
        QFETCH(double, highest);
        QFETCH(QList<double>, lowHighStep);
        const history::AxisScale scale = history::RoundScale(lowest, highest, 6);
        QCOMPARE((QList<double>{scale.low, scale.high, scale.step}), lowHighStep);
        QCOMPARE(history::TimeLabelFormat(3 * 3600'000), QStringLiteral("H:mm"));
        QCOMPARE(history::TimeLabelFormat(2 * 86400'000), QStringLiteral("M/d H:mm"));
        QCOMPARE(history::TimeLabelFormat(8 * 86400'000), QStringLiteral("M/d"));
    }

    // The instrument's own partials: A4's fourth 7 cents sharp, E5's second not one clean partial.
    void beatRatesOfAnInstrumentsPartials()
    {
        const PartialOffsets partials = [](int note, int partial) -> std::optional<double> {
            if (note == 76 && partial == 2)
                return std::nullopt;
            return note == 69 && partial == 4 ? 7.0 : 0.0;
        };
        const auto beats = BeatsOfTuning({}, partials);
        const double a4Fourth = 4 * 440.0 * std::pow(2.0, 7 / 1200.0), d5Third = 3 * 587.32954;
        QVERIFY(std::abs(*beats[2].equalTemperament - std::abs(d5Third - a4Fourth)) < 1e-3);
        QVERIFY(beats[2].wrongWay); // A4 - D5 narrower than pure even in equal temperament
        QVERIFY(!beats[1].equalTemperament && !beats[1].player); // A4 - E5 meets at E5's second
        QVERIFY(beats[3].equalTemperament); // E5 - B4 meets at E5's third and B4's fourth
        QCOMPARE(StepName(0), QStringLiteral("1. A3→A4"));
        QCOMPARE(StepName(11), QStringLiteral("12. C5→G4"));
    }

    void coincidentPartialsOfAStep()
    {
        // F4 - C5 with C5 4 cents sharp: F4's third partial against C5's second.
        const TuningStep& fifth = TuningOrder()[10];
        const double f4 = 349.22823, c5 = 523.25113 * std::pow(2.0, 4 / 1200.0);
        const CoincidentPartials partials = PartialsOf(fifth, 0, 4);
        QVERIFY(std::abs(partials.lower - 3 * f4) < 1e-3);
        QVERIFY(std::abs(partials.upper - 2 * c5) < 1e-3);
        QVERIFY(std::abs(partials.beatRate() - std::abs(2 * c5 - 3 * f4)) < 1e-3);
        // A4 - D5 in equal temperament: A4's fourth partial against D5's third.
        QVERIFY(std::abs(PartialsOf(TuningOrder()[2], 0, 0).beatRate() -
                         std::abs(3 * 587.32954 - 4 * 440.0)) < 1e-3);
        QCOMPARE(IntervalName(fifth.interval), QStringLiteral("完全5度"));
        QCOMPARE(IntervalName(TuningOrder()[0].interval), QStringLiteral("完全8度"));
    }

    // Any local program may name its port like a spreadsheet formula, and the name reaches the CSV.
    // Read back, every such device name is text behind an apostrophe and otherwise as it was; the
    // numbers around it, negative ones too, stay numbers.
    void csvKeepsFormulasAsText()
    {
        const QList<std::pair<QString, QString>> names = {
            {"=cmd|'/c calc'!A1", "'=cmd|'/c calc'!A1"},
            {"=HYPERLINK(\"http://example.invalid/\",\"x, y\")",
             "'=HYPERLINK(\"http://example.invalid/\",\"x, y\")"},
            {"+1+2", "'+1+2"},
            {"-3", "'-3"},
            {"@SUM(A1)", "'@SUM(A1)"},
            {"\t=1", "'\t=1"},
            {"\r=1", "'\r=1"},
            {"Synth = 1 + 2", "Synth = 1 + 2"},
            {"", ""},
        };
        std::vector<ChallengeRecord> records;
        for (const auto& [name, shown] : names) {
            records.push_back(Record(-3, 2));
            records.back().device = name;
        }
        const QList<QStringList> rows = ReadCsv(QString::fromUtf8(HistoryCsv(records).mid(3)));
        QCOMPARE(rows.size(), names.size() + 1);
        const qsizetype device = rows[0].indexOf(QStringLiteral("音源"));
        for (qsizetype i = 0; i < names.size(); ++i) {
            QCOMPARE(rows[i + 1].size(), 39);
            QCOMPARE(rows[i + 1][device], names[i].second);
            QCOMPARE(rows[i + 1].mid(9, 3), (QStringList{"-3", "3", "-7"})); // score, detune of C and C#
        }
    }

    void csvQuotesOnlyWhatNeedsIt()
    {
        ChallengeRecord record = Record(-3, 2);
        record.device = QStringLiteral("Synth \"X\", port 1");
        record.instrument = 19;
        record.referenceToneUsed = true;
        const QStringList lines = QString::fromUtf8(HistoryCsv({&record, 1}).mid(3)).split("\r\n");
        QCOMPARE(lines.size(), 3); // header, one record, and nothing after the last line end
        QCOMPARE(lines[0].count(','), 38);
        QCOMPARE(lines[1], QStringLiteral("2024-05-01T09:00:00+09:00,2024-05-01T09:01:30+09:00,90.000,"
                                          "中級（５セント単位）,19,Church Org 1,"
                                          "\"Synth \"\"X\"\", port 1\",1,0,-3,"
                                          "3,-7,0,12,-15,9,1,-19,4,0,-2,6,-3,7,0,-12,15,-9,-1,19,-4,0,2,-6,"
                                          "通常,0,,,440"));
        QCOMPARE(CsvField("two\nlines"), QStringLiteral("\"two\nlines\""));
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
