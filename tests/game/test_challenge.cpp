// SPDX-License-Identifier: GPL-3.0-or-later
// The challenge's draw and scale-tuning bytes, and the score of an answer.
#include "game/Challenge.h"
#include "game/ExamScore.h"
#include "game/Score.h"

#include <QtTest>

#include <set>

namespace {

QStringList Column(std::initializer_list<int> values)
{
    QStringList texts;
    for (int value : values)
        texts << QString::number(value);
    return texts;
}

QStringList Repeated(const QString& text)
{
    return QStringList(game::kPitchClasses, text);
}

} // namespace

using Errors = std::array<double, 12>;
Q_DECLARE_METATYPE(Errors)

class TestChallenge : public QObject {
    Q_OBJECT

private slots:
    // Over many draws each difficulty yields exactly its set of values, lowest ... highest by step.
    void drawCoversItsValues_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::addColumn<int>("step");
        QTest::newRow("0") << 0 << -20 << 19 << 1;
        QTest::newRow("1") << 1 << -30 << 27 << 3;
        QTest::newRow("2") << 2 << -30 << 25 << 5;
        QTest::newRow("3") << 3 << -30 << 20 << 10;
        QTest::newRow("damaged 4 plays as 0") << 4 << -20 << 19 << 1;
        QTest::newRow("damaged -1 plays as 0") << -1 << -20 << 19 << 1;
    }
    void drawCoversItsValues()
    {
        QFETCH(int, difficulty);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        QFETCH(int, step);
        std::set<int> expected;
        for (int value = lowest; value <= highest; value += step)
            expected.insert(value);
        std::mt19937 random(12345);
        std::set<int> drawn;
        for (int i = 0; i < 4000; ++i)
            drawn.insert(game::DrawDetune(difficulty, random));
        QCOMPARE(drawn, expected);
    }

    void scaleTuningData_data()
    {
        QTest::addColumn<int>("detune");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("expected");
        QTest::newRow("difficulty 0 highest") << 19 << 31 << 1 << 114;
        QTest::newRow("difficulty 0 lowest") << -20 << -32 << 1 << 12;
        QTest::newRow("difficulty 1 highest") << 27 << 10 << 3 << 121;
        QTest::newRow("difficulty 1 lowest") << -30 << -10 << 3 << 4;
        QTest::newRow("difficulty 3 highest") << 20 << 3 << 10 << 114;
        QTest::newRow("wild detune keeps the low 8 bits") << INT32_MAX << 0 << 1 << 0x3F;
    }
    void scaleTuningData()
    {
        QFETCH(int, detune);
        QFETCH(int, position);
        QFETCH(int, step);
        QFETCH(int, expected);
        game::DetuneArray detunes;
        game::SliderPositions positions;
        detunes.fill(detune);
        positions.fill(position);
        positions[11] = 0; // B keeps its own value: each byte takes its own pitch class
        const auto data = game::ScaleTuningData(detunes, positions, step);
        QCOMPARE(int(data[0]), expected);
        QCOMPARE(int(data[10]), expected);
        QCOMPARE(int(data[11]), int((qint64(detune) + 64) & 0xFF));
    }

    void score_data()
    {
        QTest::addColumn<QStringList>("player");
        QTest::addColumn<QStringList>("correct");
        QTest::addColumn<int>("expected");
        const QStringList known = Column({12, -7, 0, 3, -15, 9, 1, -19, 4, 0, -2, 6});
        QTest::newRow("all exact") << known << known << 100;
        QTest::newRow("player left everything at 0") << Repeated("0") << known << 22;
        QTest::newRow("one cent off") << Column({12, -7, 0, 3, -15, 9, 1, -19, 4, 0, -2, 7}) << known << 99;
        QTest::newRow("one step of 10 off")
            << Column({0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0}) << Repeated("0") << 90;
        QTest::newRow("errors adding to 137")
            << Column({100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -37}) << Repeated("0") << -37;
        QTest::newRow("lowest at difficulty 0") << Repeated("-32") << Repeated("20") << -524;
        QTest::newRow("lowest at difficulties 1 to 3") << Repeated("-30") << Repeated("30") << -620;
        QTest::newRow("text that is no integer counts as 0")
            << Column({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + QStringList{"abc"} << Repeated("5") << 40;
        QTest::newRow("missing rows count as 0") << Column({5}) << Repeated("0") << 95;
        QTest::newRow("absurd texts cannot overflow into a high score")
            << Repeated("2147483647") << Repeated("-2147483648") << int(INT32_MIN);
    }
    void score()
    {
        QFETCH(QStringList, player);
        QFETCH(QStringList, correct);
        QFETCH(int, expected);
        QCOMPARE(game::ScoreOf(player, correct), expected);
    }

    // The examiners' rule worked by hand: floor(|error|) points a note, 100 - 2.5 x points.
    void examScore_data()
    {
        QTest::addColumn<Errors>("errors");
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("score");
        QTest::addColumn<bool>("passed");
        QTest::newRow("all in tune") << Errors{} << 0 << 100.0 << true;
        QTest::newRow("0.9 costs nothing")
            << Errors{0.9, -0.9, 0.9, -0.9, 0.9, -0.9, 0.9, -0.9, 0.9, -0.9, 0.9, -0.9} << 0 << 100.0 << true;
        QTest::newRow("1.0 costs a point")
            << Errors{1.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1.0} << 2 << 95.0 << true;
        QTest::newRow("mixed signs, 8 points: 80 passes")
            << Errors{2.5, -1.9, 3.0, 0, 0, -0.4, 0, 1.2, 0, 0, 0, -1.0} << 8 << 80.0 << true;
        QTest::newRow("9 points fail")
            << Errors{-9.99, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0} << 9 << 77.5 << false;
    }
    void examScore()
    {
        QFETCH(Errors, errors);
        QFETCH(int, points);
        QFETCH(double, score);
        QFETCH(bool, passed);
        const game::ExamScore result = game::ScoreAsExaminers(errors);
        QCOMPARE(result.points, points);
        QCOMPARE(result.score, score);
        QCOMPARE(result.passed(), passed);
    }
};

QTEST_GUILESS_MAIN(TestChallenge)
#include "test_challenge.moc"
