// SPDX-License-Identifier: GPL-3.0-or-later
// The answer check, the results window, the clipboard report and the hint window.
#include "GameBench.h"

using namespace testing;

Q_DECLARE_METATYPE(game::SliderPositions)

namespace {

// Moves every slider to the position that cancels its pitch class's detuning, plus `offsets`.
void TuneExactly(GameBench& game, const game::SliderPositions& offsets = {})
{
    const int step = StepCentsOf(game.session().difficulty());
    for (std::size_t k = 0; k < 12; ++k)
        game.tuning()->slider(int(k))->setValue(-game.session().detune()[k] / step + offsets[k]);
}

void CheckAnswer(GameBench& game)
{
    QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
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
        game.difficulty()->setLevel(difficulty);
        // Keep every target inside the slider range.
        game::DetuneArray table = game.session().detune();
        for (int k = 0; k < 12; ++k)
            if (offsets[std::size_t(k)] != 0)
                table[std::size_t(k)] = 0;
        game.session().setDetune(table);
        TuneExactly(game, offsets);
        game.trace().clear();
        CheckAnswer(game);
        QCOMPARE(game.results()->scoreLabel()->text(), QString::number(score));
        QVERIFY(game.trace().texts().isEmpty()); // the check sends nothing
    }

    void scoreOfTheDetuningWithTheSlidersAtZero()
    {
        GameBench game;
        // 12 + 7 + 0 + 3 + 15 + 9 + 1 + 19 + 4 + 0 + 2 + 6 = 78 cents off.
        game.session().setDetune({-12, 7, 0, -3, 15, -9, -1, 19, -4, 0, 2, -6});
        CheckAnswer(game);
        QCOMPARE(game.results()->scoreLabel()->text(), QStringLiteral("22"));
    }

    void afterTheCheck()
    {
        GameBench game;
        game.tuning()->slider(0)->setValue(3);
        CheckAnswer(game);
        QVERIFY(game.results()->isVisible());
        QVERIFY(game.difficulty()->isEnabled() && !game.difficulty()->isVisible());
        QVERIFY(game.main()->difficultyEntry()->isEnabled());
        QVERIFY(!game.instruments()->isEnabled() && !game.main()->instrumentEntry()->isEnabled());
        QVERIFY(!game.tuning()->answerButton()->isEnabled());
        for (int k = 0; k < 12; ++k)
            QVERIFY(!game.tuning()->slider(k)->isEnabled());
        QCOMPARE(game.session().lastResult()->ended, game.bench().now());
        QVERIFY(game.session().checkRunActive());
        // One check run, in the player's final tuning, with nothing re-sent.
        game.trace().clear();
        for (int tick = 0; tick < 30; ++tick)
            game.tuning()->onCheckRunTick();
        QCOMPARE(game.trace().only({"short 90"}).size(), 14);
        QVERIFY(game.trace().only({"long"}).isEmpty());
    }

    void difficultyChangeAfterTheCheckStartsTheNextChallengeAsARetryDoes()
    {
        GameBench game;
        game.tuning()->slider(1)->setValue(5);
        game.tuning()->slider(8)->setValue(-4);
        CheckAnswer(game);
        game.bench().advance(30'000);
        game.main()->difficultyEntry()->trigger();
        game.difficulty()->setLevel(1);
        QVERIFY(!game.results()->isVisible());
        for (int k = 0; k < 12; ++k)
            QVERIFY(game.tuning()->slider(k)->isEnabled());
        QVERIFY(game.tuning()->answerButton()->isEnabled());
        QVERIFY(game.main()->difficultyEntry()->isEnabled() && game.main()->instrumentEntry()->isEnabled());
        QCOMPARE(game.session().started(), game.bench().now());
        // The new challenge can be played and checked at the new step of 3 cents.
        game.tuning()->slider(3)->setValue(2);
        CheckAnswer(game);
        QVERIFY(game.results()->isVisible());
        QCOMPARE(game.results()->PlayerCell(3)->text(), QStringLiteral("6"));
        QCOMPARE(game.results()->CorrectCell(3)->text(), game::CentsText(-game.session().detune()[3]));
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
        game.tuning()->slider(3)->setValue(2);
        QTest::mouseClick(game.main()->referenceButton(), Qt::LeftButton); // the reference A
        CheckAnswer(game);
        game.trace().clear();
        game.bench().advance(60'000);
        QTest::mousePress(game.results()->retryButton(), button);
        QVERIFY(game.results()->isVisible()); // until the release, which a hidden button would never get
        QVERIFY(game.tuning()->answerButton()->isEnabled());
        for (int k = 0; k < 12; ++k)
            QVERIFY(game.tuning()->slider(k)->isEnabled());
        for (QWidget* dialog : std::initializer_list<QWidget*>{game.difficulty(), game.instruments()})
            QVERIFY(dialog->isEnabled());
        QVERIFY(game.main()->settingsMenu()->isEnabled() && game.main()->difficultyEntry()->isEnabled() &&
                game.main()->instrumentEntry()->isEnabled());
        QVERIFY(!game.session().referenceToneUsed());
        QCOMPARE(game.session().started(), game.bench().now());
        // One tuning: the new challenge with slider 4 back at 0.
        QCOMPARE(game.trace().only({"long"}), QStringList{ScaleTuningTrace(TuningData(game))});
        game.bench().advance(2'000); // the button held down
        QTest::mouseRelease(game.results()->retryButton(), button);
        QVERIFY(!game.results()->isVisible());
        QCOMPARE(game.session().started(), game.bench().now()); // playable from the release
    }

    void retryFromTheKeyboardStartsTheNextChallenge()
    {
        GameBench game;
        CheckAnswer(game);
        game.trace().clear();
        game.bench().advance(5'000);
        game.results()->retryButton()->setFocus();
        QTest::keyClick(game.results()->retryButton(), Qt::Key_Return);
        QCOMPARE(game.session().started(), game.bench().now());
        QVERIFY(!game.results()->isVisible());
        QVERIFY(game.tuning()->answerButton()->isEnabled());
        QCOMPARE(game.trace().only({"long"}), QStringList{ScaleTuningTrace(TuningData(game))});
    }

    void closeBoxStartsTheNextChallenge()
    {
        GameBench game;
        QTest::mouseClick(game.main()->referenceButton(), Qt::LeftButton);
        CheckAnswer(game);
        game.trace().clear();
        game.bench().advance(40'000);
        game.results()->close();
        QVERIFY(!game.results()->isVisible());
        QCOMPARE(game.trace().texts().last(), QStringLiteral("short B0 78 00"));
        QCOMPARE(game.trace().only({"long"}).size(), 1);
        QCOMPARE(game.session().started(), game.bench().now());
        QVERIFY(!game.session().referenceToneUsed());
        QVERIFY(game.tuning()->answerButton()->isEnabled());
    }

    void quitEndsTheProgram()
    {
        GameBench game;
        CheckAnswer(game);
        game.trace().clear();
        QTest::mouseClick(game.results()->quitButton(), Qt::LeftButton);
        QCOMPARE(game.trace().texts().last(), QStringLiteral("close 0"));
        QVERIFY(QFile::exists(SettingsPath()));
    }

    // The board named in the settings file opens, the same address each time; when no browser
    // starts, a box shows the address to copy.
    void boardOpensTheAddressOfTheSettingsFile()
    {
        const QString address = QStringLiteral("https://board.velmora.test/results");
        GameBench game({{.name = "Test Synth A"}}, "[board]\nurl=" + address + "\n");
        CheckAnswer(game);
        QVERIFY(game.results()->boardButton()->isEnabled());
        game.trace().clear();
        QTest::mouseClick(game.results()->boardButton(), Qt::LeftButton);
        game.bench().browserStarts = false;
        QTest::mouseClick(game.results()->boardButton(), Qt::LeftButton);
        QCOMPARE(game.trace().texts(), QStringList({"url " + address, "url " + address,
                                                    "box ブラウザーを起動できませんでした。\n" + address}));
    }

    // No address, or one that is not a web address: the button is off and its tooltip says why.
    void boardWithoutAWebAddressIsDisabled_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("none") << QString();
        QTest::newRow("empty") << QStringLiteral("[board]\nurl=\n");
        QTest::newRow("a local file") << QStringLiteral("[board]\nurl=file:///etc/passwd\n");
    }
    void boardWithoutAWebAddressIsDisabled()
    {
        QFETCH(QString, settings);
        GameBench game({{.name = "Test Synth A"}}, settings);
        CheckAnswer(game);
        QVERIFY(!game.results()->boardButton()->isEnabled());
        QVERIFY(game.results()->boardButton()->toolTip().contains(QStringLiteral("[board]")));
    }

    void resultsOpenOnRetryAndEscapeStartsTheNextChallenge()
    {
        GameBench game;
        CheckAnswer(game);
        QCOMPARE(game.results()->focusWidget(), game.results()->retryButton());
        game.results()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(game.results()));
        QTest::keyClick(game.results(), Qt::Key_Escape);
        QVERIFY(!game.results()->isVisible());
        QVERIFY(!game.session().answerIsChecked());
    }

    void escapeClosesTheDialogsTheHintAndTheHistory()
    {
        GameBench game;
        game.main()->historyEntry()->trigger();
        for (QWidget* window : std::initializer_list<QWidget*>{
                 game.difficulty(), game.instruments(), game.hint(), game.program().history()->window()}) {
            window->show();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_Escape);
            QVERIFY2(!window->isVisible(), qPrintable(window->windowTitle()));
        }
    }

    // ---- Report ------------------------------------------------------------------------------

    void reportBlocksAccumulate()
    {
        GameBench game;
        game.tuning()->slider(0)->setValue(-7);
        CheckAnswer(game);
        QTest::mouseClick(game.results()->clipboardButton(), Qt::LeftButton);
        const QStringList first = ClipboardLines(game.bench());
        QCOMPARE(first.size(), 27);
        QCOMPARE(first[2], QStringLiteral("C 　　　-7　　　　　　") + game.results()->CorrectCell(0)->text());
        QCOMPARE(first[15], QStringLiteral("得点：") + game.results()->scoreLabel()->text());
        QCOMPARE(first[17], QStringLiteral("使用音源：Test Synth A"));
        QCOMPARE(first[18], QStringLiteral("音色：piano 1"));
        QCOMPARE(first[19], QStringLiteral("難易度：特級"));
        QCOMPARE(first[20], QStringLiteral("基準音の使用：不使用"));
        QCOMPARE(first[21], QStringLiteral("基準ピッチ：A=440Hz"));
        QVERIFY(game.bench().clipboard().endsWith(QStringLiteral("---------------------------------\r\n")));

        // Copying the same check again adds nothing.
        QTest::mouseClick(game.results()->clipboardButton(), Qt::LeftButton);
        QCOMPARE(ClipboardLines(game.bench()), first);

        // The next challenge, with the reference A this time.
        QTest::mousePress(game.results()->retryButton(), Qt::LeftButton);
        QTest::mouseRelease(game.results()->retryButton(), Qt::LeftButton);
        QTest::mouseClick(game.main()->referenceButton(), Qt::LeftButton);
        CheckAnswer(game);
        QTest::mouseClick(game.results()->clipboardButton(), Qt::LeftButton);
        const QStringList three = ClipboardLines(game.bench());
        QCOMPARE(three.size(), 54);
        QCOMPARE(three.mid(0, 27), first);
        QCOMPARE(three[27 + 20], QStringLiteral("基準音の使用：使用"));
    }

    void reportTimes()
    {
        GameBench game;
        game.bench().advance(25LL * 3600 * 1000 + 61'000);
        CheckAnswer(game);
        QTest::mouseClick(game.results()->clipboardButton(), Qt::LeftButton);
        const QStringList lines = ClipboardLines(game.bench());
        const QLocale locale = QLocale::system();
        QCOMPARE(lines[22],
                 QStringLiteral("調律開始時刻：") + game::DateTimeText(game.session().started(), locale));
        QCOMPARE(lines[23], QStringLiteral("調律終了時刻：") +
                                game::DateTimeText(game.session().lastResult()->ended, locale));
        QVERIFY2(lines[24].startsWith(QStringLiteral("所要時間：25")), qPrintable(lines[24]));
        QCOMPARE(lines[25], QStringLiteral("Velmora Version 1.32"));
    }

    // ---- Hint --------------------------------------------------------------------------------

    void hintWindowShowsPictureAndText()
    {
        GameBench game;
        QCOMPARE(game.hint()->picture()->pixmap().deviceIndependentSize().toSize(), QSize(936, 184));
        QVERIFY(game.hint()->hintText()->isReadOnly());
        QCOMPARE(game.hint()->hintText()->document()->blockCount(), 38);
        QCOMPARE(game.hint()->hintText()->font().pixelSize(), 16);
    }
};

QTEST_MAIN(TestResults)
#include "test_results.moc"
