// SPDX-License-Identifier: GPL-3.0-or-later
// Exam mode on the bench: the time limit on the virtual clock, the answer checked by itself with the
// sliders as they stood, the examiners' score beside the game's, the accuracy chart.
#include "GameBench.h"

#include <QtTest>

using namespace testing;

namespace {

// Starts an exam of `minutes` through the menu and the dialog, as the player does.
void StartExam(GameBench& game, int minutes)
{
    game.main()->examEntry()->trigger();
    ExamDialog* dialog = game.program().examDialog();
    QVERIFY(dialog->isVisible());
    dialog->setMinutes(minutes);
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    game.tuning()->examTimer()->stop(); // the bench ticks by hand
}

// Every slider where it cancels its class's detuning (特級: one cent a step), plus `errors` cents.
void TuneWithErrors(GameBench& game, const game::SliderPositions& errors)
{
    for (std::size_t k = 0; k < 12; ++k)
        game.tuning()->slider(int(k))->setValue(-game.session().detune()[k] + errors[k]);
}

QStringList ClipboardLines(const TestBench& bench)
{
    return bench.clipboard().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

class TestExam : public QObject {
    Q_OBJECT

private slots:
    // Ten minutes on the clock: at 9:59.5 nothing happens yet, at 10:00 the answer is checked with
    // the sliders as they stood, and the report carries the examiners' score and the times.
    void clockRunsOutAndChecksTheSlidersAsTheyStood()
    {
        GameBench game;
        game.difficulty()->setLevel(3); // 初級 before the exam
        StartExam(game, 10);
        QCOMPARE(game.session().difficulty(), 0);
        QCOMPARE(game.tuning()->windowTitle(), QStringLiteral("調整 残り10分"));
        QCOMPARE(game.tuning()->examTimeLabel()->text(), QStringLiteral("残り 10:00"));
        TuneWithErrors(game, {2, 0, 0, 0, -1});
        const game::SliderPositions stood = game.session().positions();

        // The slider moves' sends have taken virtual time already.
        const qint64 spent = game.session().started().msecsTo(game.bench().now());
        game.bench().advance(10 * 60'000 - 500 - spent);
        game.tuning()->onExamTick();
        QVERIFY(!game.session().answerIsChecked());
        QCOMPARE(game.tuning()->examTimeLabel()->text(), QStringLiteral("残り 0:01"));
        QCOMPARE(game.tuning()->windowTitle(), QStringLiteral("調整 残り1分"));
        QVERIFY(game.tuning()->examTimeLabel()->accessibleDescription().contains(QStringLiteral("0分1秒")));

        game.bench().advance(500);
        game.tuning()->onExamTick();
        QVERIFY(game.session().answerIsChecked());
        QVERIFY(game.results()->isVisible());
        for (int k = 0; k < 12; ++k)
            QCOMPARE(game.results()->PlayerCell(k)->text(), QString::number(stood[std::size_t(k)]));
        QVERIFY(!game.tuning()->answerButton()->isEnabled());
        // 2 + 1 whole cents: 100 − 2.5 × 3.
        QVERIFY(game.results()->examLabel()->isVisible());
        QVERIFY2(game.results()->examLabel()->text().startsWith(QStringLiteral("検定式の得点：92.5点　合格\n"
                                                                               "制限時間：10分　所要時間：")),
                 qPrintable(game.results()->examLabel()->text()));
        QVERIFY(!game.results()->examLabel()->toolTip().isEmpty());

        QTest::mouseClick(game.results()->clipboardButton(), Qt::LeftButton);
        const QStringList lines = ClipboardLines(game.bench());
        QVERIFY(lines.contains(QStringLiteral("得点：") + game.results()->scoreLabel()->text()));
        QVERIFY(lines.contains(QStringLiteral("検定式の得点：92.5点　合格")));
        QVERIFY(lines.contains(QStringLiteral("難易度：特級")));
        // The history keeps the exam as such.
        game.main()->historyEntry()->trigger();
        const history::ChallengeRecord& kept = game.program().history()->window()->records().back();
        QCOMPARE(kept.examMinutes, 10);
        QCOMPARE(kept.examScore, 92.5);
        QVERIFY(kept.examPassed);
        QCOMPARE(kept.referencePitch, 440);

        // The next challenge is the normal game's again, at the difficulty it had.
        QTest::mousePress(game.results()->retryButton(), Qt::LeftButton);
        QTest::mouseRelease(game.results()->retryButton(), Qt::LeftButton);
        QVERIFY(!game.session().examActive());
        QCOMPARE(game.session().difficulty(), 3);
        QCOMPARE(game.tuning()->windowTitle(), QStringLiteral("調整"));
        QVERIFY(!game.tuning()->examTimeLabel()->isVisible());
    }

    // Per note a whole cent costs a point, less than one nothing; 100 − 2.5 × points, 80 passes.
    void examinersScoreAndPass_data()
    {
        QTest::addColumn<game::SliderPositions>("errors");
        QTest::addColumn<QString>("shown");
        QTest::newRow("in tune") << game::SliderPositions{} << "検定式の得点：100点　合格";
        QTest::newRow("8 points: the pass mark")
            << game::SliderPositions{3, -3, 0, 0, 1, 0, 0, 0, 0, 0, 0, -1} << "検定式の得点：80点　合格";
        QTest::newRow("9 points") << game::SliderPositions{3, -3, 0, 0, 1, 0, 0, 0, 0, 0, 1, -1}
                                  << "検定式の得点：77.5点　不合格";
    }
    void examinersScoreAndPass()
    {
        QFETCH(game::SliderPositions, errors);
        QFETCH(QString, shown);
        GameBench game;
        StartExam(game, 20);
        TuneWithErrors(game, errors);
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        QCOMPARE(game.results()->examLabel()->text().section(u'\n', 0, 0), shown);
    }

    // The difficulty stays 特級 throughout; the menu entry leaves the exam.
    void difficultyLockedUntilTheExamIsLeft()
    {
        GameBench game;
        game.difficulty()->setLevel(2);
        StartExam(game, 20);
        QVERIFY(!game.main()->difficultyEntry()->isEnabled());
        QVERIFY(!game.difficulty()->isEnabled());
        game.session().chooseDifficulty(1);
        QCOMPARE(game.session().difficulty(), 0);
        QCOMPARE(game.main()->examEntry()->text(), QStringLiteral("検定モードを終える(&X)"));
        game.main()->examEntry()->trigger();
        QVERIFY(!game.session().examActive());
        QCOMPARE(game.session().difficulty(), 2);
        QVERIFY(game.main()->difficultyEntry()->isEnabled());
        QCOMPARE(game.main()->examEntry()->text(), QStringLiteral("検定モード(&X)…"));
    }

    // The chart replaces the table and tells a screen reader each class's error, sharp with a plus.
    void accuracyChartOfEveryCheck()
    {
        GameBench game;
        game.session().setDetune({});
        game.tuning()->slider(0)->setValue(1);   // C: 1 step of 1 cent (特級 at start-up)
        game.tuning()->slider(11)->setValue(-2); // B
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        QVERIFY(!game.results()->examLabel()->isVisible());
        QVERIFY(!game.results()->errorChart()->isVisible());
        game.results()->chartButton()->click();
        QVERIFY(game.results()->errorChart()->isVisible());
        QVERIFY(!game.results()->PlayerCell(0)->isVisible());
        const QString description = game.results()->errorChart()->accessibleDescription();
        QVERIFY2(description.contains(QStringLiteral("C +1、C# 0")) &&
                     description.endsWith(QStringLiteral("B -2")),
                 qPrintable(description));
        game.results()->chartButton()->click();
        QVERIFY(game.results()->PlayerCell(0)->isVisible());
    }
};

QTEST_MAIN(TestExam)
#include "test_exam.moc"
