// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard report: its 27 lines, and the date, time and duration texts in several locales.
#include "game/Report.h"

#include <QtTest>

namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);
const QLocale kEnglishUs(QLocale::English, QLocale::UnitedStates);

QDateTime Utc(int day, int hour, int minute, int second, int msec = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute, second, msec), Qt::UTC);
}

game::ReportInputs KnownInputs()
{
    return {
        .player = {"0", "-3", "12", "0", "5", "-20", "7", "0", "1", "-1", "19", "-32"},
        .correct = {"0", "-3", "10", "2", "5", "-20", "7", "0", "1", "-1", "19", "-20"},
        .score = "84",
        .device = "Synth A",
        .instrument = "Gt.Hermonix",
        .difficulty = 0,
        .referenceToneUsed = true,
        .tuningStart = Utc(5, 14, 7, 9),
        .tuningEnd = Utc(5, 15, 8, 10),
    };
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void knownReportLineByLine()
    {
        const QString sixSpaces(6, QChar(0x3000));
        const QString rule(33, u'-');
        const QStringList expected{
            rule,
            QStringLiteral("音名\u3000貴方の調律\u3000正解の調律"),
            "C \u3000\u3000\u3000"
            "0" +
                sixSpaces + "0",
            "C#\u3000\u3000\u3000"
            "-3" +
                sixSpaces + "-3",
            "D \u3000\u3000\u3000"
            "12" +
                sixSpaces + "10",
            "D#\u3000\u3000\u3000"
            "0" +
                sixSpaces + "2",
            "E \u3000\u3000\u3000"
            "5" +
                sixSpaces + "5",
            "F \u3000\u3000\u3000"
            "-20" +
                sixSpaces + "-20",
            "F#\u3000\u3000\u3000"
            "7" +
                sixSpaces + "7",
            "G \u3000\u3000\u3000"
            "0" +
                sixSpaces + "0",
            "G#\u3000\u3000\u3000"
            "1" +
                sixSpaces + "1",
            "A \u3000\u3000\u3000"
            "-1" +
                sixSpaces + "-1",
            "A#\u3000\u3000\u3000"
            "19" +
                sixSpaces + "19",
            "B \u3000\u3000\u3000"
            "-32" +
                sixSpaces + "-20",
            "",
            QStringLiteral("得点\uFF1A84"),
            "",
            QStringLiteral("使用音源\uFF1ASynth A"),
            QStringLiteral("音色\uFF1AGt.Hermonix"),
            QStringLiteral("難易度\uFF1A特級"),
            QStringLiteral("基準音の使用\uFF1A使用"),
            QStringLiteral("基準ピッチ\uFF1AA=440Hz"),
            QStringLiteral("調律開始時刻\uFF1A2024/03/05 14時07分09秒 UTC"),
            QStringLiteral("調律終了時刻\uFF1A2024/03/05 15時08分10秒 UTC"),
            QStringLiteral("所要時間\uFF1A1時01分01秒"),
            "Velmora Version 1.32",
            rule,
        };
        const QStringList lines = game::ReportLines(KnownInputs(), kJapanese);
        QCOMPARE(lines.size(), 27);
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], expected[i]);

        const QString buffer = game::WithCrLf(lines);
        QCOMPARE(buffer.count(QStringLiteral("\r\n")), 27);
        QVERIFY(buffer.endsWith(rule + "\r\n"));
    }

    void levelWordsAndReferenceTone()
    {
        const QStringList words{"特級", "上級", "中級", "初級", "特級"}; // a damaged 4 plays as 0
        for (int difficulty = 0; difficulty < words.size(); ++difficulty)
            QCOMPARE(game::LevelWord(difficulty), words[difficulty]);
        game::ReportInputs inputs = KnownInputs();
        inputs.referenceToneUsed = false;
        QCOMPARE(game::ReportLines(inputs, kJapanese)[20], QStringLiteral("基準音の使用：不使用"));
    }

    void dateTimeText_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Japanese") << kJapanese << Utc(5, 14, 7, 9)
                                  << QStringLiteral("2024/03/05 14時07分09秒 UTC");
        QTest::newRow("Japanese at midnight") << kJapanese << Utc(5, 0, 0, 0) << QStringLiteral("2024/03/05");
        QTest::newRow("C") << QLocale::c() << Utc(5, 14, 7, 9) << QStringLiteral("5 Mar 2024 14:07:09 UTC");
        QTest::newRow("C a millisecond past midnight")
            << QLocale::c() << Utc(5, 0, 0, 0, 1) << QStringLiteral("5 Mar 2024 00:00:00 UTC");
        QTest::newRow("English (US)")
            << kEnglishUs << Utc(5, 14, 7, 9) << QStringLiteral("3/5/24 2:07:09 PM UTC");
        QTest::newRow("invalid") << QLocale::c() << QDateTime() << QString();
    }
    void dateTimeText()
    {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, moment);
        QFETCH(QString, expected);
        QCOMPARE(game::DateTimeText(moment, locale), expected);
    }

    void durationText_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QDateTime>("end");
        QTest::addColumn<QString>("expected");
        const QDateTime start = Utc(5, 14, 0, 0);
        QTest::newRow("Japanese, none") << kJapanese << start << QStringLiteral("0時00分00秒");
        QTest::newRow("C, none") << QLocale::c() << start << QStringLiteral("00:00:00");
        QTest::newRow("English (US), 13 hours is no PM")
            << kEnglishUs << start.addSecs(13 * 3600) << QStringLiteral("13:00:00");
        QTest::newRow("C, 25 hours") << QLocale::c() << start.addSecs(25 * 3600)
                                     << QStringLiteral("25:00:00");
        QTest::newRow("Japanese, 25 hours 3 minutes 4 seconds")
            << kJapanese << start.addSecs(25 * 3600 + 3 * 60 + 4) << QStringLiteral("25時03分04秒");
        QTest::newRow("C, clock set back")
            << QLocale::c() << start.addSecs(-90) << QStringLiteral("00:00:00");
        QTest::newRow("C, end in another zone")
            << QLocale::c() << QDateTime(QDate(2024, 3, 5), QTime(23, 30), QTimeZone(9 * 3600))
            << QStringLiteral("00:30:00");
    }
    void durationText()
    {
        QFETCH(QLocale, locale);
        QFETCH(QDateTime, end);
        QFETCH(QString, expected);
        QCOMPARE(game::DurationText(Utc(5, 14, 0, 0), end, locale), expected);
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
