// SPDX-License-Identifier: GPL-3.0-or-later
// The window "うなりの速さ比べ" on the test bench: the pair on channel 1 in the trial's tuning, the
// answer by key, and the challenge's tuning given back.
#include "GameBench.h"

#include <QtTest>

using namespace testing;

namespace {

ComparisonWindow* OpenComparisonWindow(GameBench& game)
{
    return OpenFromMenu(game, game.main()->comparisonEntry(), &Program::comparisonWindow);
}

// Channel 1's scale tuning with one pitch class off by `cents`.
QString OneNoteTuning(int note, int cents)
{
    std::array<std::uint8_t, 12> data{};
    data.fill(64);
    data[std::size_t(note % 12)] = std::uint8_t(64 + cents);
    return ScaleTuningTrace(data);
}

void Advance(GameBench& game, ComparisonWindow* window, qint64 ms)
{
    game.bench().advance(ms);
    window->onClockTick();
}

} // namespace

class TestComparisonWindow : public QObject {
    Q_OBJECT

private slots:
    // The trial's tuning first, then three seconds of each interval; the question only after both.
    void pairSoundsOneIntervalAfterTheOther()
    {
        GameBench game;
        game.trace().clear();
        ComparisonWindow* window = OpenComparisonWindow(game);
        const game::ComparisonTrial& trial = window->drill()->trial();
        const auto [first, second] = trial.intervals;
        QVERIFY(!window->answerButton(0)->isEnabled());
        Advance(game, window, 2999);
        Advance(game, window, 1);
        Advance(game, window, 3000);
        QVERIFY(window->answerButton(0)->isEnabled() && window->answerButton(1)->isEnabled());
        QCOMPARE(window->questionLabel()->text(), QStringLiteral("どちらが速くうなりましたか？"));
        QCOMPARE(game.trace().only({"long", "short"}),
                 QStringList({OneNoteTuning(trial.detunedNote, trial.detunedCents),
                              ShortTrace(0x90, first.lower, 100), ShortTrace(0x90, first.upper, 100),
                              ShortTrace(0x80, first.lower, 127), ShortTrace(0x80, first.upper, 127),
                              ShortTrace(0x90, second.lower, 100), ShortTrace(0x90, second.upper, 100),
                              ShortTrace(0x80, second.lower, 127), ShortTrace(0x80, second.upper, 127)}));
    }

    // The key 1 or 2 answers; the window tells right or wrong by the two rates it shows.
    void keyAnswersAndBothRatesShow()
    {
        GameBench game;
        ComparisonWindow* window = OpenComparisonWindow(game);
        QTest::keyClick(window, Qt::Key_2); // while the pair plays: no answer yet
        QCOMPARE(window->drill()->answered(), 0);
        Advance(game, window, 3000);
        Advance(game, window, 3000);
        const game::ComparisonTrial trial = window->drill()->trial();
        QTest::keyClick(window, Qt::Key_2);
        QCOMPARE(window->drill()->answered(), 1);
        const bool right = trial.rates[1] > trial.rates[0];
        const QString text = window->resultLabel()->text();
        QVERIFY2(text.startsWith(right ? QStringLiteral("正解") : QStringLiteral("不正解")),
                 qPrintable(text));
        for (double rate : trial.rates)
            QVERIFY2(text.contains(QString::asprintf("%.2f Hz", rate)), qPrintable(text));
        QVERIFY(window->thresholdLabel()->text().contains(QStringLiteral("試行: 1回")));
        // The next pair follows the pause.
        game.trace().clear();
        Advance(game, window, ComparisonWindow::kPauseAfterAnswerMs);
        QCOMPARE(game.trace().only({"short"}).size(), 2);
    }

    // A slider moved in the adjustment window sends the challenge's tuning; "もう一度聴く" sends the
    // trial's again before the pair.
    void replayRetunesAfterTheChallengeTuned()
    {
        GameBench game;
        ComparisonWindow* window = OpenComparisonWindow(game);
        const game::ComparisonTrial& trial = window->drill()->trial();
        Advance(game, window, 3000);
        Advance(game, window, 3000);
        game.session().moveSlider(0, 1);
        game.trace().clear();
        QTest::mouseClick(window->replayButton(), Qt::LeftButton);
        const QStringList sent = game.trace().only({"long", "short"});
        QCOMPARE(sent.value(0), OneNoteTuning(trial.detunedNote, trial.detunedCents));
        QCOMPARE(sent.value(1), ShortTrace(0x90, trial.intervals[0].lower, 100));
    }

    // Closed, the window leaves channel 1 in the challenge's tuning.
    void closingGivesTheChallengeTuningBack()
    {
        GameBench game;
        ComparisonWindow* window = OpenComparisonWindow(game);
        game.trace().clear();
        window->close();
        QCOMPARE(game.trace().only({"long"}), QStringList({ScaleTuningTrace(TuningData(game))}));
    }
};

QTEST_MAIN(TestComparisonWindow)
#include "test_comparison_window.moc"
