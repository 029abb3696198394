// SPDX-License-Identifier: GPL-3.0-or-later
// The window "ユニゾン" on the test bench: the second string on channel 3 with the registered
// fine tuning, the slider in tenths of a cent, and the check's figures.
#include "GameBench.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace testing;

namespace {

UnisonWindow* OpenUnisonWindow(GameBench& game)
{
    return OpenFromMenu(game, game.main()->unisonEntry(), &Program::unisonWindow);
}

// Registered parameter 0/1 on MIDI channel 3: 14 bits, 8192 at the centre, 8192 per 100 cents;
// the parameter number closed again with 127/127.
QStringList FineTuningOnChannel3(double cents)
{
    const int value = int(std::lround(8192 + cents * 8192 / 100));
    return {ShortTrace(0xB2, 101, 0),           ShortTrace(0xB2, 100, 1),   ShortTrace(0xB2, 6, value >> 7),
            ShortTrace(0xB2, 38, value & 0x7F), ShortTrace(0xB2, 101, 127), ShortTrace(0xB2, 100, 127)};
}

} // namespace

class TestUnisonWindow : public QObject {
    Q_OBJECT

private slots:
    // An external device: channel 1 in equal temperament, channel 3 on the same piano, its fine
    // tuning at the hidden amount, then the key on both.
    void secondStringIsTheSameKeyOnChannel3()
    {
        GameBench game;
        game.trace().clear();
        UnisonWindow* window = OpenUnisonWindow(game);
        const int key = window->drill().key();
        const double cents = window->drill().secondStringCents();
        QVERIFY(key >= 53 && key <= 76);
        QVERIFY(std::abs(cents) >= 0.2 && std::abs(cents) <= 5.0);
        QStringList expected = {ScaleTuningTrace({64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64}),
                                ShortTrace(0xB2, 0, 0), ShortTrace(0xC2, 0, 0).chopped(3)};
        expected << FineTuningOnChannel3(cents) << ShortTrace(0x90, key, 100) << ShortTrace(0x92, key, 100);
        QCOMPARE(game.trace().only({"long", "short"}), expected);
        QVERIFY(window->methodLabel()->text().contains(QStringLiteral("RPN 0/1")));
    }

    // One arrow press is a tenth of a cent; the check tells what is left and the beat it makes.
    void sliderStepsByATenthAndTheCheckTellsTheBeat()
    {
        GameBench game;
        UnisonWindow* window = OpenUnisonWindow(game);
        const int key = window->drill().key();
        const double hidden = window->drill().secondStringCents();
        game.trace().clear();
        window->slider()->setFocus();
        QTest::keyClick(window->slider(), Qt::Key_Right);
        QCOMPARE(game.trace().only({"short"}), FineTuningOnChannel3(hidden + 0.1));
        QTest::mouseClick(window->checkButton(), Qt::LeftButton);
        const double left = hidden + 0.1;
        const double beat = 440 * std::pow(2.0, (key - 69) / 12.0) * std::abs(std::pow(2.0, left / 1200) - 1);
        const QString text = window->resultLabel()->text();
        QVERIFY2(text.contains(QString::asprintf("%.2f Hz", beat)), qPrintable(text));
        QVERIFY2(text.contains(QString::asprintf("%.1f セント", left).remove(QLatin1Char('-'))),
                 qPrintable(text));
        QCOMPARE(window->slider()->value(), 0); // the next trial starts at the centre
    }

    // The check goes into the history file; the history window charts it and exports it after
    // the challenges.
    void checkIsRecordedChartedAndExported()
    {
        GameBench game;
        UnisonWindow* window = OpenUnisonWindow(game);
        const double hidden = window->drill().secondStringCents();
        QTest::mouseClick(window->checkButton(), Qt::LeftButton);
        game.main()->historyEntry()->trigger();
        HistoryWindow* history = game.program().history()->window();
        QCOMPARE(history->drillRecords().size(), 1u);
        QCOMPARE(*history->drillRecords()[0].errorCents, hidden);
        QCOMPARE(history->drillCharts()->unisonSeries()->count(), 1);
        QCOMPARE(history->drillCharts()->unisonSeries()->at(0).y(), std::abs(hidden));
        QTemporaryDir dir;
        history->writeCsv(dir.filePath("history.csv"));
        QFile csv(dir.filePath("history.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(csv.readAll()).contains(QStringLiteral(",ユニゾン,")));
    }

    // Closed, both strings stop, channel 3's fine tuning is centred and channel 1 has the
    // challenge's tuning again.
    void closingStopsBothStringsAndGivesTheTuningBack()
    {
        GameBench game;
        UnisonWindow* window = OpenUnisonWindow(game);
        const int key = window->drill().key();
        game.trace().clear();
        window->close();
        QStringList expected = {ShortTrace(0x80, key, 127), ShortTrace(0x82, key, 127)};
        expected << FineTuningOnChannel3(0) << ScaleTuningTrace(TuningData(game));
        QCOMPARE(game.trace().only({"long", "short"}), expected);
    }
};

QTEST_MAIN(TestUnisonWindow)
#include "test_unison_window.moc"
