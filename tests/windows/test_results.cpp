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
        Form2->ScrollBar(row)->setValue(-DetuneTable[std::size_t(row - 1)] / step +
                                        offsets[std::size_t(row - 1)]);
}

void CheckAnswer()
{
    QTest::mouseClick(Form2->Button1, Qt::LeftButton);
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
        Form5->setRadioGroup1Index(difficulty);
        // Keep every target inside the slider range.
        for (int k = 0; k < 12; ++k)
            if (offsets[std::size_t(k)] != 0)
                DetuneTable[std::size_t(k)] = 0;
        for (int k = 0; k < 12; ++k)
            Form3->CorrectCell(k)->setText(game::CentsText(-DetuneTable[std::size_t(k)]));
        TuneExactly(offsets);
        game.trace().clear();
        CheckAnswer();
        QCOMPARE(Form3->Label16->text(), QString::number(score));
        QVERIFY(game.trace().texts().isEmpty()); // the check sends nothing
    }

    void scoreFromTheColumnsAsShown()
    {
        GameBench game;
        const QStringList correct = {"12", "-7", "0", "3", "-15", "9", "1", "-19", "4", "0", "-2", "6"};
        for (int k = 0; k < 12; ++k)
            Form3->CorrectCell(k)->setText(correct[k]);
        CheckAnswer();
        QCOMPARE(Form3->Label16->text(), QStringLiteral("22"));
    }

    void afterTheCheck()
    {
        GameBench game;
        Form2->ScrollBar(1)->setValue(3);
        CheckAnswer();
        QVERIFY(Form3->isVisible());
        QVERIFY(Form5->isEnabled() && !Form5->isVisible());
        QVERIFY(Form1->N2->isEnabled());
        QVERIFY(!Form7->isEnabled() && !Form1->N3->isEnabled());
        QVERIFY(!Form2->Button1->isEnabled());
        for (int row = 1; row <= 12; ++row)
            QVERIFY(!Form2->ScrollBar(row)->isEnabled());
        QCOMPARE(TuningEndTime, game.bench().now());
        QVERIFY(CheckRunActive);
        // One check run, in the player's final tuning, with nothing re-sent.
        game.trace().clear();
        for (int tick = 0; tick < 30; ++tick)
            Form2->Timer1Timer();
        QCOMPARE(game.trace().only({"short 90"}).size(), 14);
        QVERIFY(game.trace().only({"long"}).isEmpty());
    }

    void difficultyChangeWhileTheResultsShow()
    {
        GameBench game;
        Form2->ScrollBar(2)->setValue(5);
        Form2->ScrollBar(9)->setValue(-4);
        CheckAnswer();
        const QString score = Form3->Label16->text();
        Form1->N2->trigger();
        Form5->setRadioGroup1Index(1);
        QVERIFY(Form3->isVisible());
        QCOMPARE(Form3->Label16->text(), score);
        for (int k = 0; k < 12; ++k) {
            QCOMPARE(Form3->CorrectCell(k)->text(), game::CentsText(-DetuneTable[std::size_t(k)]));
            QCOMPARE(Form3->PlayerCell(k)->text(), QStringLiteral("0"));
        }
        // Only the sliders the new challenge moved are usable again.
        for (int row = 1; row <= 12; ++row)
            QCOMPARE(Form2->ScrollBar(row)->isEnabled(), row == 2 || row == 9);
        QVERIFY(!Form2->Button1->isEnabled());
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
        Form2->ScrollBar(4)->setValue(2);
        QTest::mouseClick(Form1->Button1, Qt::LeftButton); // the reference A
        CheckAnswer();
        game.trace().clear();
        game.bench().advance(60'000);
        QTest::mousePress(Form3->Button2, button);
        QVERIFY(Form3->isVisible()); // until the release, which a hidden button would never get
        QVERIFY(Form2->Button1->isEnabled());
        for (int row = 1; row <= 12; ++row)
            QVERIFY(Form2->ScrollBar(row)->isEnabled());
        for (QWidget* dialog : std::initializer_list<QWidget*>{Form5, Form7})
            QVERIFY(dialog->isEnabled());
        QVERIFY(Form1->N1->isEnabled() && Form1->N2->isEnabled() && Form1->N3->isEnabled());
        QVERIFY(!ReferenceToneUsed);
        QCOMPARE(TuningStartTime, game.bench().now());
        const QStringList sends = game.trace().only({"long"});
        QCOMPARE(sends.size(), 2); // the challenge, then the reset of slider 4
        QCOMPARE(sends.first(), ScaleTuningTrace(TuningData()));
        game.bench().advance(2'000); // the button held down
        QTest::mouseRelease(Form3->Button2, button);
        QVERIFY(!Form3->isVisible());
        QCOMPARE(TuningStartTime, game.bench().now());
    }

    void retryFromTheKeyboardOnlyRestartsTheClock()
    {
        GameBench game;
        CheckAnswer();
        game.trace().clear();
        game.bench().advance(5'000);
        Form3->Button2->setFocus();
        QTest::keyClick(Form3->Button2, Qt::Key_Space);
        QCOMPARE(TuningStartTime, game.bench().now());
        QVERIFY(Form3->isVisible());
        QVERIFY(!Form2->Button1->isEnabled());
        QVERIFY(game.trace().texts().isEmpty());
    }

    void closeBoxStartsTheNextChallenge()
    {
        GameBench game;
        const QDateTime start = TuningStartTime;
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        CheckAnswer();
        game.trace().clear();
        Form3->close();
        QVERIFY(!Form3->isVisible());
        QCOMPARE(game.trace().texts().last(), QStringLiteral("short B0 78 00"));
        QCOMPARE(game.trace().only({"long"}).size(), 1);
        QCOMPARE(TuningStartTime, start);
        QVERIFY(!ReferenceToneUsed);
        QVERIFY(Form2->Button1->isEnabled());
    }

    void quitEndsTheProgram()
    {
        GameBench game;
        CheckAnswer();
        game.trace().clear();
        QTest::mouseClick(Form3->Button1, Qt::LeftButton);
        QCOMPARE(game.trace().texts().last(), QStringLiteral("close 0"));
        QVERIFY(QFile::exists(SettingsPath()));
    }

    // The board named in the settings file opens, the same address each time; when no browser
    // starts, a box shows the address to copy.
    void boardOpensTheAddressOfTheSettingsFile()
    {
        const QString address = QStringLiteral("https://board.velmora.test/results");
        GameBench game({{.name = "Test Synth A"}}, "[board]\nurl=" + address + "\n");
        CheckAnswer();
        QVERIFY(Form3->Button4->isEnabled());
        game.trace().clear();
        QTest::mouseClick(Form3->Button4, Qt::LeftButton);
        game.bench().browserStarts = false;
        QTest::mouseClick(Form3->Button4, Qt::LeftButton);
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
        CheckAnswer();
        QVERIFY(!Form3->Button4->isEnabled());
        QVERIFY(Form3->Button4->toolTip().contains(QStringLiteral("[board]")));
    }

    // ---- Report ------------------------------------------------------------------------------

    void reportBlocksAccumulate()
    {
        GameBench game;
        Form2->ScrollBar(1)->setValue(-7);
        CheckAnswer();
        QTest::mouseClick(Form3->Button3, Qt::LeftButton);
        const QStringList first = ClipboardLines(game.bench());
        QCOMPARE(first.size(), 26);
        QCOMPARE(first[2], QStringLiteral("C 　　　-7　　　　　　") + Form3->CorrectCell(0)->text());
        QCOMPARE(first[15], QStringLiteral("得点：") + Form3->Label16->text());
        QCOMPARE(first[17], QStringLiteral("使用音源：Test Synth A"));
        QCOMPARE(first[18], QStringLiteral("音色：piano 1"));
        QCOMPARE(first[19], QStringLiteral("難易度：特級"));
        QCOMPARE(first[20], QStringLiteral("基準音の使用：不使用"));
        QVERIFY(game.bench().clipboard().endsWith(QStringLiteral("---------------------------------\r\n")));

        QTest::mouseClick(Form3->Button3, Qt::LeftButton);
        const QStringList twice = ClipboardLines(game.bench());
        QCOMPARE(twice.size(), 52);
        QCOMPARE(twice.mid(26), first);

        // The next challenge, with the reference A this time.
        QTest::mousePress(Form3->Button2, Qt::LeftButton);
        QTest::mouseRelease(Form3->Button2, Qt::LeftButton);
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        CheckAnswer();
        QTest::mouseClick(Form3->Button3, Qt::LeftButton);
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
        QTest::mouseClick(Form3->Button3, Qt::LeftButton);
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
        QCOMPARE(Form4->Image1->pixmap().size(), QSize(936, 184));
        QVERIFY(Form4->Memo1->isReadOnly());
        QCOMPARE(Form4->Memo1->document()->blockCount(), 38);
        QCOMPARE(Form4->Memo1->font().pixelSize(), 16);
    }
};

QTEST_MAIN(TestResults)
#include "test_results.moc"
