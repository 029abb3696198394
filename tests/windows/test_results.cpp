// SPDX-License-Identifier: GPL-3.0-or-later
// The answer check, the results window, the clipboard report and the hint window.
#include "GameBench.h"

using namespace testing;

Q_DECLARE_METATYPE(game::SliderPositions)

namespace {

// Moves every slider to the position that cancels its pitch class's detuning, plus `offsets`.
void TuneExactly(const game::SliderPositions& offsets = {})
{
    const int step = StepCentsOf(Difficulty());
    for (int row = 1; row <= 12; ++row)
        theTuningWindow->slider(row)->setValue(-DetuneTable[std::size_t(row - 1)] / step +
                                               offsets[std::size_t(row - 1)]);
}

void CheckAnswer()
{
    QTest::mouseClick(theTuningWindow->answerButton, Qt::LeftButton);
}

QStringList ClipboardLines(const TestBench& bench)
{
    QStringList lines = bench.clipboard().split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestResults : public QObject {
    Q_OBJECT

private slots:
    void score_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<game::SliderPositions>("offsets");
        QTest::addColumn<int>("score");
        QTest::newRow("exact") << 0 << game::SliderPositions{} << 100;
        QTest::newRow("one cent off") << 0 << game::SliderPositions{0, 0, 0, 0, 0, 0, 0, 0, 0, -1} << 99;
        QTest::newRow("one step off at 10 cents") << 3 << game::SliderPositions{0, 0, 0, 0, 0, 1} << 90;
        QTest::newRow("three steps off at 5 cents") << 2 << game::SliderPositions{1, 1, 1} << 85;
    }
    void score()
    {
        QFETCH(int, difficulty);
        QFETCH(game::SliderPositions, offsets);
        QFETCH(int, score);
        GameBench game;
        theDifficultyDialog->setLevel(difficulty);
        // Keep every target inside the slider range.
        for (int k = 0; k < 12; ++k)
            if (offsets[std::size_t(k)] != 0)
                DetuneTable[std::size_t(k)] = 0;
        for (int k = 0; k < 12; ++k)
            theResultsWindow->CorrectCell(k)->setText(game::CentsText(-DetuneTable[std::size_t(k)]));
        TuneExactly(offsets);
        game.trace().clear();
        CheckAnswer();
        QCOMPARE(theResultsWindow->scoreLabel->text(), QString::number(score));
        QVERIFY(game.trace().texts().isEmpty()); // the check sends nothing
    }

    void scoreFromTheColumnsAsShown()
    {
        GameBench game;
        const QStringList correct = {"12", "-7", "0", "3", "-15", "9", "1", "-19", "4", "0", "-2", "6"};
        for (int k = 0; k < 12; ++k)
            theResultsWindow->CorrectCell(k)->setText(correct[k]);
        CheckAnswer();
        QCOMPARE(theResultsWindow->scoreLabel->text(), QStringLiteral("22"));
    }

    void afterTheCheck()
    {
        GameBench game;
        theTuningWindow->slider(1)->setValue(3);
        CheckAnswer();
        QVERIFY(theResultsWindow->isVisible());
        QVERIFY(theDifficultyDialog->isEnabled() && !theDifficultyDialog->isVisible());
        QVERIFY(theMainWindow->difficultyEntry->isEnabled());
        QVERIFY(!theInstrumentDialog->isEnabled() && !theMainWindow->instrumentEntry->isEnabled());
        QVERIFY(!theTuningWindow->answerButton->isEnabled());
        for (int row = 1; row <= 12; ++row)
            QVERIFY(!theTuningWindow->slider(row)->isEnabled());
        QCOMPARE(TuningEndTime, game.bench().now());
        QVERIFY(CheckRunActive);
        // One check run, in the player's final tuning, with nothing re-sent.
        game.trace().clear();
        for (int tick = 0; tick < 30; ++tick)
            theTuningWindow->onCheckRunTick();
        QCOMPARE(game.trace().only({"short 90"}).size(), 14);
        QVERIFY(game.trace().only({"long"}).isEmpty());
    }

    void difficultyChangeWhileTheResultsShow()
    {
        GameBench game;
        theTuningWindow->slider(2)->setValue(5);
        theTuningWindow->slider(9)->setValue(-4);
        CheckAnswer();
        const QString score = theResultsWindow->scoreLabel->text();
        theMainWindow->difficultyEntry->trigger();
        theDifficultyDialog->setLevel(1);
        QVERIFY(theResultsWindow->isVisible());
        QCOMPARE(theResultsWindow->scoreLabel->text(), score);
        for (int k = 0; k < 12; ++k) {
            QCOMPARE(theResultsWindow->CorrectCell(k)->text(), game::CentsText(-DetuneTable[std::size_t(k)]));
            QCOMPARE(theResultsWindow->PlayerCell(k)->text(), QStringLiteral("0"));
        }
        // Only the sliders the new challenge moved are usable again.
        for (int row = 1; row <= 12; ++row)
            QCOMPARE(theTuningWindow->slider(row)->isEnabled(), row == 2 || row == 9);
        QVERIFY(!theTuningWindow->answerButton->isEnabled());
    }

    void retryByMouse_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left") << Qt::LeftButton;
        QTest::newRow("right") << Qt::RightButton;
    }
    void retryByMouse()
    {
        QFETCH(Qt::MouseButton, button);
        GameBench game;
        theTuningWindow->slider(4)->setValue(2);
        QTest::mouseClick(theMainWindow->referenceButton, Qt::LeftButton); // the reference A
        CheckAnswer();
        game.trace().clear();
        game.bench().advance(60'000);
        QTest::mousePress(theResultsWindow->retryButton, button);
        QVERIFY(theResultsWindow->isVisible()); // until the release, which a hidden button would never get
        QVERIFY(theTuningWindow->answerButton->isEnabled());
        for (int row = 1; row <= 12; ++row)
            QVERIFY(theTuningWindow->slider(row)->isEnabled());
        for (QWidget* dialog : std::initializer_list<QWidget*>{theDifficultyDialog, theInstrumentDialog})
            QVERIFY(dialog->isEnabled());
        QVERIFY(theMainWindow->settingsMenu->isEnabled() && theMainWindow->difficultyEntry->isEnabled() &&
                theMainWindow->instrumentEntry->isEnabled());
        QVERIFY(!ReferenceToneUsed);
        QCOMPARE(TuningStartTime, game.bench().now());
        const QStringList sends = game.trace().only({"long"});
        QCOMPARE(sends.size(), 2); // the challenge, then the reset of slider 4
        QCOMPARE(sends.first(), ScaleTuningTrace(TuningData()));
        game.bench().advance(2'000); // the button held down
        QTest::mouseRelease(theResultsWindow->retryButton, button);
        QVERIFY(!theResultsWindow->isVisible());
        QCOMPARE(TuningStartTime, game.bench().now());
    }

    void retryFromTheKeyboardOnlyRestartsTheClock()
    {
        GameBench game;
        CheckAnswer();
        game.trace().clear();
        game.bench().advance(5'000);
        theResultsWindow->retryButton->setFocus();
        QTest::keyClick(theResultsWindow->retryButton, Qt::Key_Space);
        QCOMPARE(TuningStartTime, game.bench().now());
        QVERIFY(theResultsWindow->isVisible());
        QVERIFY(!theTuningWindow->answerButton->isEnabled());
        QVERIFY(game.trace().texts().isEmpty());
    }

    void closeBoxStartsTheNextChallenge()
    {
        GameBench game;
        const QDateTime start = TuningStartTime;
        QTest::mouseClick(theMainWindow->referenceButton, Qt::LeftButton);
        CheckAnswer();
        game.trace().clear();
        theResultsWindow->close();
        QVERIFY(!theResultsWindow->isVisible());
        QCOMPARE(game.trace().texts().last(), QStringLiteral("short B0 78 00"));
        QCOMPARE(game.trace().only({"long"}).size(), 1);
        QCOMPARE(TuningStartTime, start);
        QVERIFY(!ReferenceToneUsed);
        QVERIFY(theTuningWindow->answerButton->isEnabled());
    }

    void quitEndsTheProgram()
    {
        GameBench game;
        CheckAnswer();
        game.trace().clear();
        QTest::mouseClick(theResultsWindow->quitButton, Qt::LeftButton);
        QCOMPARE(game.trace().texts().last(), QStringLiteral("close 0"));
        QVERIFY(QFile::exists(SettingsPath()));
    }

    void boardOpensTheSameAddressEachTime()
    {
        GameBench game;
        CheckAnswer();
        game.trace().clear();
        QTest::mouseClick(theResultsWindow->boardButton, Qt::LeftButton);
        QTest::mouseClick(theResultsWindow->boardButton, Qt::LeftButton);
        const QString url = QStringLiteral("url ") + kResultsBoardAddress;
        QCOMPARE(game.trace().texts(), QStringList({url, url}));
        QVERIFY(url.endsWith('?'));
    }

    // ---- Report ------------------------------------------------------------------------------

    void reportBlocksAccumulate()
    {
        GameBench game;
        theTuningWindow->slider(1)->setValue(-7);
        CheckAnswer();
        QTest::mouseClick(theResultsWindow->clipboardButton, Qt::LeftButton);
        const QStringList first = ClipboardLines(game.bench());
        QCOMPARE(first.size(), 26);
        QCOMPARE(first[2],
                 QStringLiteral("C 　　　-7　　　　　　") + theResultsWindow->CorrectCell(0)->text());
        QCOMPARE(first[15], QStringLiteral("得点：") + theResultsWindow->scoreLabel->text());
        QCOMPARE(first[17], QStringLiteral("使用音源：Test Synth A"));
        QCOMPARE(first[18], QStringLiteral("音色：piano 1"));
        QCOMPARE(first[19], QStringLiteral("難易度：特級"));
        QCOMPARE(first[20], QStringLiteral("基準音の使用：不使用"));
        QVERIFY(game.bench().clipboard().endsWith(QStringLiteral("---------------------------------\r\n")));

        QTest::mouseClick(theResultsWindow->clipboardButton, Qt::LeftButton);
        const QStringList twice = ClipboardLines(game.bench());
        QCOMPARE(twice.size(), 52);
        QCOMPARE(twice.mid(26), first);

        // The next challenge, with the reference A this time.
        QTest::mousePress(theResultsWindow->retryButton, Qt::LeftButton);
        QTest::mouseRelease(theResultsWindow->retryButton, Qt::LeftButton);
        QTest::mouseClick(theMainWindow->referenceButton, Qt::LeftButton);
        CheckAnswer();
        QTest::mouseClick(theResultsWindow->clipboardButton, Qt::LeftButton);
        const QStringList three = ClipboardLines(game.bench());
        QCOMPARE(three.size(), 78);
        QCOMPARE(three.mid(0, 52), twice);
        QCOMPARE(three[52 + 20], QStringLiteral("基準音の使用：使用"));
    }

    void reportTimes()
    {
        GameBench game;
        game.bench().advance(25LL * 3600 * 1000 + 61'000);
        CheckAnswer();
        QTest::mouseClick(theResultsWindow->clipboardButton, Qt::LeftButton);
        const QStringList lines = ClipboardLines(game.bench());
        const QLocale locale = QLocale::system();
        QCOMPARE(lines[21], QStringLiteral("調律開始時刻：") + game::DateTimeText(TuningStartTime, locale));
        QCOMPARE(lines[22], QStringLiteral("調律終了時刻：") + game::DateTimeText(TuningEndTime, locale));
        QVERIFY2(lines[23].startsWith(QStringLiteral("所要時間：25")), qPrintable(lines[23]));
        QCOMPARE(lines[24], QStringLiteral("Velmora Version 1.32"));
    }

    // ---- Hint --------------------------------------------------------------------------------

    void hintWindowShowsPictureAndText()
    {
        GameBench game;
        QCOMPARE(theHintWindow->picture->pixmap().size(), QSize(936, 184));
        QVERIFY(theHintWindow->hintText->isReadOnly());
        QCOMPARE(theHintWindow->hintText->document()->blockCount(), 38);
        QCOMPARE(theHintWindow->hintText->font().pixelSize(), 16);
    }
};

QTEST_MAIN(TestResults)
#include "test_results.moc"
