// SPDX-License-Identifier: GPL-3.0-or-later
// The window "うなりの聴き比べ" on the test bench: what it sends on channel 1, for how long, and
// where it puts the beat emphasis.
#include "GameBench.h"
#include "game/KeyMap.h"
#include "history/Csv.h"
#include "history/Database.h"

#include <QGridLayout>
#include <QLabel>
#include <QtTest>

#include <cmath>

using namespace testing;

namespace {

constexpr int kFifthF4C5 = 10; // the eleventh step of the tuning order: F4 (0x41) - C5 (0x48)

BeatWindow* OpenBeatWindow(GameBench& game)
{
    game.main()->beatWindowEntry()->trigger();
    BeatWindow* window = game.program().beatWindow();
    window->clockTimer()->stop(); // ticked by hand on the virtual clock
    return window;
}

QStringList Shorts(const Trace& trace)
{
    return trace.only({"short"});
}

// The entries as "<ms after the first entry> <what>".
QStringList SinceFirst(const Trace& trace)
{
    QStringList result;
    for (const TraceEntry& entry : trace.entries())
        result << QStringLiteral("%1 %2").arg(entry.ms - trace.entries().front().ms).arg(entry.what);
    return result;
}

ui::Shape* KeyOf(GameBench& game, int note)
{
    for (const auto& key : game::PianoKeys())
        if (key.note == note)
            return game.main()->pianoKey(key.shape);
    return nullptr;
}

} // namespace

class TestBeatWindow : public QObject {
    Q_OBJECT

private slots:
    void playSoundsTheStepForFourSeconds()
    {
        GameBench game;
        BeatWindow* window = OpenBeatWindow(game);
        QVERIFY(window->width() <= 1024 && window->height() <= 768 - 60); // a title bar and a panel left
        game.trace().clear();
        QTest::mouseClick(window->playButton(kFifthF4C5), Qt::LeftButton);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 90 41 64", "short 90 48 64"}));
        QCOMPARE(KeyOf(game, 65)->fill(), QColor(Qt::red));
        QCOMPARE(window->playButton(kFifthF4C5)->text(), QStringLiteral("停止"));
        QVERIFY(game.session().beatWindowUsed());
        game.bench().advance(3999);
        window->onClockTick();
        QCOMPARE(Shorts(game.trace()).size(), 2);
        game.bench().advance(1);
        window->onClockTick();
        QCOMPARE(SinceFirst(game.trace()),
                 QStringList({"0 short 90 41 64", "0 short 90 48 64", "4000 short 80 41 7F",
                              "4000 short 80 48 7F"})); // nothing else: no retuning
        QCOMPARE(KeyOf(game, 65)->fill(), QColor(Qt::white));
        QCOMPARE(window->playButton(kFifthF4C5)->text(), QStringLiteral("再生"));
    }

    // Each step's rate in equal temperament, from the tuning order the hint draws and the partials
    // that meet in its interval (octave 2:1, fifth 3:2, fourth 4:3), to a hundredth of a hertz, at
    // the room's A4: every frequency, and so every beat, scales with it.
    void rateLabelsShowTheEqualTemperedBeats_data()
    {
        QTest::addColumn<int>("a4");
        QTest::newRow("440 Hz") << 440;
        QTest::newRow("443 Hz") << 443;
    }
    void rateLabelsShowTheEqualTemperedBeats()
    {
        QFETCH(int, a4);
        struct Step {
            int lower, upper, lowerPartial, upperPartial;
        };
        // A3-A4, A4-E5, A4-D5, E5-B4, B4-F#4, F#4-C#5, C#5-G#4, G#4-D#5, D#5-A#4, A#4-F4, F4-C5, C5-G4.
        constexpr Step kSteps[] = {{57, 69, 2, 1}, {69, 76, 3, 2}, {69, 74, 4, 3}, {71, 76, 4, 3},
                                   {66, 71, 4, 3}, {66, 73, 3, 2}, {68, 73, 4, 3}, {68, 75, 3, 2},
                                   {70, 75, 4, 3}, {65, 70, 4, 3}, {65, 72, 3, 2}, {67, 72, 4, 3}};
        const auto hz = [a4](int key) { return a4 * std::pow(2.0, (key - 69) / 12.0); };
        GameBench game({{.name = "Test Synth A"}, {.name = "Test Synth B"}},
                       QStringLiteral("[tuning]\na4=%1\n").arg(a4));
        const BeatWindow* window = OpenBeatWindow(game);
        for (int row = 0; row < int(std::size(kSteps)); ++row) {
            const Step& step = kSteps[row];
            // Wider than pure where the upper note's partial lies above the lower note's.
            const double widening = step.upperPartial * hz(step.upper) - step.lowerPartial * hz(step.lower);
            const QString way = std::abs(widening) < 0.005 ? ""
                                : widening > 0             ? QStringLiteral("（広い）")
                                                           : QStringLiteral("（狭い）");
            QCOMPARE(window->rateLabel(row)->text(), QString::asprintf("%.2f Hz", std::abs(widening)) + way);
        }
    }

    void secondPressStopsAtOnce()
    {
        GameBench game;
        BeatWindow* window = OpenBeatWindow(game);
        game.trace().clear();
        QTest::mouseClick(window->playButton(0), Qt::LeftButton);
        game.bench().advance(1200);
        QTest::keyClick(window->playButton(0), Qt::Key_Return);
        QCOMPARE(SinceFirst(game.trace()).mid(2),
                 QStringList({"1200 short 80 39 7F", "1200 short 80 45 7F"}));
    }

    // Like the reference A: the record of the answer check says the window sounded something, the
    // next challenge starts without it.
    void answerCheckRecordsTheWindowsUse()
    {
        GameBench game;
        QTest::mouseClick(OpenBeatWindow(game)->playButton(0), Qt::LeftButton);
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        QTest::mousePress(game.results()->retryButton(), Qt::LeftButton); // もう一度挑戦
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        history::Database database(history::DefaultHistoryPath(), history::kWaitDuringPlay);
        const auto records = database.readAll();
        QCOMPARE(records.size(), 2u);
        QVERIFY(records[0].beatWindowUsed);
        QVERIFY(!records[1].beatWindowUsed);
        QCOMPARE(HistoryCsv(records).split('\n')[1].split(',')[8], QByteArray("1"));
    }

    // The band sits between F4's third partial and C5's second in the tuning last sent; an external
    // device has no emphasis, and the box says why.
    void emphasisFollowsTheCurrentTuning()
    {
        GameBench game({{.name = "Built-in", .paced = false, .emphasis = true}, {.name = "External"}});
        BeatWindow* window = OpenBeatWindow(game);
        QVERIFY(window->emphasisBox()->isEnabled());
        window->emphasisBox()->setChecked(true);
        game.trace().clear();
        QTest::mouseClick(window->playButton(kFifthF4C5), Qt::LeftButton);
        const auto data = TuningData(game, game.session().positions());
        const auto hz = [&](int semitonesFromA4, int pitchClass) {
            return 440 *
                   std::pow(2.0, semitonesFromA4 / 12.0 + (data[std::size_t(pitchClass)] - 64) / 1200.0);
        };
        const double centre = (3 * hz(-4, 5) + 2 * hz(3, 0)) / 2;
        QCOMPARE(game.trace().only({"emphasis"}),
                 QStringList({QStringLiteral("emphasis %1").arg(centre, 0, 'f', 2)}));
        window->emphasisBox()->setChecked(false);
        QCOMPARE(game.trace().only({"emphasis"}).last(), QStringLiteral("emphasis off"));

        game.main()->deviceList()->setCurrentIndex(1);
        game.main()->onDeviceChosen();
        window->onClockTick();
        QVERIFY(!window->emphasisBox()->isEnabled());
        QVERIFY(window->emphasisBox()->toolTip().contains(QStringLiteral("外部")));
    }

    // The table shows the equal-tempered beats of the instrument that plays, as the device tells
    // its partials; an external device's are the textbook's.
    void ratesOfTheInstrumentThatPlays()
    {
        output::InstrumentPartials partials;
        for (int key = 53; key <= 76; ++key)
            partials.keys[key] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        partials.keys[69][3] = 7.0;          // A4's fourth partial 7 cents sharp
        partials.keys[76][1] = std::nullopt; // E5's second: two strings
        GameBench game({{.name = "Built-in", .paced = false, .ownInstruments = true, .partials = partials},
                        {.name = "External"}});
        BeatWindow* window = OpenBeatWindow(game);
        // A4 - D5: A4's fourth partial against D5's third, now narrower than pure.
        const double a4 = 4 * 440 * std::pow(2.0, 7 / 1200.0), d5 = 3 * 440 * std::pow(2.0, 5 / 12.0);
        QCOMPARE(window->rateLabel(2)->text(), QStringLiteral("%1 Hz（狭い）").arg(a4 - d5, 0, 'f', 2));
        QCOMPARE(window->rateLabel(1)->text(), QStringLiteral("弦が複数のため不定")); // A4 - E5
        QCOMPARE(window->rateLabel(0)->text(), QStringLiteral("0.00 Hz"));            // A3 - A4
        QVERIFY(window->introLabel()->text().contains(QStringLiteral("いま鳴っている楽器")));

        game.main()->deviceList()->setCurrentIndex(1);
        game.main()->onDeviceChosen();
        window->onClockTick();
        const double textbook = 4 * 440.0 - d5; // harmonic: A4 - D5 a wide fourth
        QCOMPARE(window->rateLabel(2)->text(), QStringLiteral("%1 Hz（広い）").arg(-textbook, 0, 'f', 2));
        QVERIFY(window->introLabel()->text().contains(QStringLiteral("教科書の値")));
    }
};

QTEST_MAIN(TestBeatWindow)
#include "test_beat_window.moc"
