// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, close and the settings file, as traces on the virtual clock.
#include "GameBench.h"

using namespace testing;

namespace {

const QString kGsReset = QStringLiteral("long F0 41 10 42 12 40 00 7F 00 41 F7");
const QString kEqualTemperament =
    QStringLiteral("long F0 41 10 42 12 40 11 40 40 40 40 40 40 40 40 40 40 40 40 40 6F F7");

QString Settings(int devNum, const QString& name)
{
    return QStringLiteral(
               "[window]\nheight=300\nwidth=400\ntop=20\nleft=30\n[dev]\ndev_num=%1\ngakki=%2\nmap=4\n")
        .arg(devNum)
        .arg(name);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void firstRunWithoutSettings()
    {
        {
            GameBench game;
            QCOMPARE(game.main()->width(), 345);
            QCOMPARE(game.main()->height(), 246);
            QCOMPARE(game.main()->x(), 193);
            QCOMPARE(game.main()->y(), 159);
            QCOMPARE(game.main()->deviceList()->count(), 2);
            QCOMPARE(game.main()->deviceList()->currentText(), QStringLiteral("Test Synth A"));
            // The port, the GS reset with its 100 ms, then the first challenge with its waits.
            QCOMPARE(game.trace().timed().mid(0, 6),
                     QStringList({"0 open 0 -> ok", "0 " + kGsReset, "0 sleep 100", "100 sleep 300",
                                  "400 " + ScaleTuningTrace(TuningData(game)), "400 sleep 1000"}));
            QCOMPARE(game.session().started(), game.bench().now()); // once the first challenge is sent
            game.trace().clear();
            game.main()->close();
            QCOMPARE(game.trace().texts(),
                     QStringList({"sleep 300", kEqualTemperament, "sleep 1000", "close 0"}));
            const auto saved = game::IniDocument::fromText(ReadSettings());
            QCOMPARE(ReadSettings(),
                     QStringLiteral("[window]\nHeight=246\nWidth=345\nTop=159\nLeft=193\n"
                                    "[dev]\ndev_num=0\ngakki=Test Synth A\nmap=4\n[tuning]\na4=440\n"));
        }
    }

    // Our own synthesizer has taken each message in when the call returns: the same sends in the
    // same order, without the fixed waits.
    void ownSynthesizerIsNotPaced()
    {
        GameBench game({{.name = "Own Synth", .paced = false}});
        QCOMPARE(game.trace().texts(),
                 QStringList({"open 0 -> ok", kGsReset, ScaleTuningTrace(TuningData(game))}));
        QCOMPARE(game.session().started(), game.bench().now());
        game.trace().clear();
        QTest::keyClick(game.tuning()->slider(0), Qt::Key_Right);
        const QString retuned = ScaleTuningTrace(TuningData(game, {1}));
        game.main()->close();
        QCOMPARE(game.trace().texts(), QStringList({retuned, kEqualTemperament, "close 0"}));
        QCOMPARE(game.bench().now(), game.session().started());
    }

    // The built-in synthesizer plays its tuning piano from the start, chosen by bank 1; General
    // MIDI's sounds go back to bank 0; an external device offers General MIDI's 128 alone and
    // plays the piano of bank 0, which its GS reset chose.
    // A4 = 442 Hz is 1200 · log2(442/440) = +7.85 cents, 79 tenths above the centre 0x0400: the
    // master tune follows each GS reset once (start-up, device switch, a device that came back), and
    // 440 Hz sends the centre.
    void referencePitchFollowsEveryGsReset()
    {
        const QString at442 = "long " + HexBytes(GsDataSet({0x40, 0x00, 0x00, 0x00, 0x04, 0x04, 0x0F}));
        const QString at440 = "long " + HexBytes(GsDataSet({0x40, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}));
        QCOMPARE(at442, QStringLiteral("long F0 41 10 42 12 40 00 00 00 04 04 0F 29 F7"));
        GameBench game({{.name = "Test Synth A"}, {.name = "Test Synth B"}},
                       Settings(0, "Test Synth A") + "[tuning]\na4=442\n");
        QCOMPARE(game.trace().timed().mid(0, 7),
                 QStringList({"0 open 0 -> ok", "0 " + kGsReset, "0 sleep 100", "100 sleep 300",
                              "400 " + at442, "400 sleep 10", "410 sleep 300"}));
        QCOMPARE(game.trace().only({"long F0 41 10 42 12 40 00 00"}), QStringList{at442});
        QVERIFY(game.main()->referencePitchEntry(442)->isChecked());

        game.trace().clear();
        game.main()->deviceList()->setCurrentIndex(1);
        game.main()->onDeviceChosen();
        const QStringList afterSwitch = game.trace().only({"long"});
        QCOMPARE(afterSwitch.mid(0, 2), QStringList({kGsReset, at442}));
        QCOMPARE(afterSwitch.count(at442), 1);

        // A device that came back: the reset, the master tune, then the tuning, before the key.
        game.trace().clear();
        game.bench().devices()[1].comesBack = true;
        GameBench::keyDown(game.main(), Qt::Key_A);
        GameBench::keyUp(game.main(), Qt::Key_A);
        const QStringList afterReturn = game.trace().only({"long"});
        QCOMPARE(afterReturn.size(), 3);
        QCOMPARE(afterReturn.mid(0, 2), QStringList({kGsReset, at442}));

        game.trace().clear();
        game.main()->referencePitchEntry(440)->trigger();
        QCOMPARE(game.trace().texts(), QStringList({"sleep 300", at440, "sleep 10"}));
        QVERIFY(game.main()->referenceButton()->toolTip().contains(QStringLiteral("A=440Hz")));
        game.main()->close();
        QVERIFY(ReadSettings().endsWith(QStringLiteral("[tuning]\na4=440\n")));
    }

    // At exit a device tuned to another A4 is set back to 440 Hz before equal temperament.
    void exitSetsTheDeviceBackTo440()
    {
        const QString at440 = "long " + HexBytes(GsDataSet({0x40, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}));
        GameBench game({{.name = "Test Synth A"}}, Settings(0, "Test Synth A") + "[tuning]\na4=443\n");
        game.trace().clear();
        game.main()->close();
        const QStringList sent = game.trace().only({"long"});
        QCOMPARE(sent, QStringList({at440, kEqualTemperament}));
    }

    void tuningPianoWhereTheDeviceOffersIt()
    {
        GameBench game(
            {{.name = "Own Synth", .paced = false, .ownInstruments = true}, {.name = "Test Synth B"}});
        QCOMPARE(game.trace().texts().mid(0, 6),
                 QStringList({"open 0 -> ok", kGsReset, "short B0 00 01", "short C0 00", "short B1 00 01",
                              "short C1 00"}));
        QComboBox* list = game.instruments()->instrumentList();
        QCOMPARE(list->count(), 129);
        QCOMPARE(list->currentText(), QStringLiteral("調律用ピアノ（単弦）"));
        QCOMPARE(list->itemText(41), QStringLiteral("Violin"));

        game.trace().clear();
        list->setCurrentIndex(41);
        emit list->activated(41);
        QComboBox* inharmonicity = game.instruments()->inharmonicityList();
        QVERIFY(!inharmonicity->isEnabled());
        list->setCurrentIndex(0);
        emit list->activated(0);
        QVERIFY(inharmonicity->isEnabled());
        inharmonicity->setCurrentIndex(1);
        emit inharmonicity->activated(1);
        QCOMPARE(game.trace().texts(),
                 QStringList({"short B0 00 00", "short C0 28", "short B1 00 00", "short C1 28", // Violin
                              "short B0 00 01", "short C0 00", "short B1 00 01", "short C1 00", // the piano
                              "short C0 01", "short C1 01"})); // its stiff strings
        game.session().checkAnswer();
        QVERIFY(game.bench().clipboard().isEmpty());
        QVERIFY(game.session().appendReport().contains(
            QStringLiteral("音色：調律用ピアノ（単弦・非調和性あり）")));

        game.trace().clear();
        game.main()->deviceList()->setCurrentIndex(1);
        game.main()->onDeviceChosen();
        QVERIFY(game.trace().only({"short B0 00", "short B1 00", "short C"}).isEmpty());
        QCOMPARE(list->count(), 128);
        QCOMPARE(list->currentText(), QStringLiteral("piano 1"));
        QCOMPARE(game.session().instrument(), 0);
    }

    void savedDeviceChoice_data()
    {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("opened");
        QTest::addColumn<QString>("shown");
        const QStringList abc = {"Test Synth A", "Test Synth B", "Test Synth C"};
        QTest::newRow("saved device reopened") << abc << Settings(2, "Test Synth C") << 2 << "Test Synth C";
        QTest::newRow("another name there, none elsewhere")
            << abc << Settings(2, "Gone") << 0 << "Test Synth A";
        QTest::newRow("name found at another position")
            << abc << Settings(1, "Test Synth C") << 2 << "Test Synth C";
        QTest::newRow("position outside the list")
            << abc << Settings(9, "Test Synth B") << 1 << "Test Synth B";
        QTest::newRow("negative position") << abc << Settings(-3, "Test Synth A") << 0 << "Test Synth A";
        QTest::newRow("names differ in case") << abc << Settings(1, "test synth b") << 0 << "Test Synth A";
    }
    void savedDeviceChoice()
    {
        QFETCH(QStringList, devices);
        QFETCH(QString, settings);
        QFETCH(int, opened);
        QFETCH(QString, shown);
        std::vector<FakeDeviceConfig> configs;
        for (const auto& name : devices)
            configs.push_back({.name = name.toStdString()});
        GameBench game(configs, settings);
        QCOMPARE(game.trace().texts().first(), QStringLiteral("open %1 -> ok").arg(opened));
        QCOMPARE(game.main()->deviceList()->currentText(), shown);
        QCOMPARE(game.main()->selectedDeviceId(), opened);
        QCOMPARE(game.main()->width(), 400);
        QCOMPARE(game.main()->x(), 30);
    }

    // With a device failing its capability query, positions and identifiers differ; the
    // identifier is saved, and the name check keeps the device at the next start.
    void deviceFailingItsCapabilityQuery()
    {
        std::vector<FakeDeviceConfig> devices = {{.name = "Broken", .capabilities = output::Result::Missing},
                                                 {.name = "Test Synth B"},
                                                 {.name = "Test Synth C"}};
        {
            GameBench game(devices, Settings(1, "Test Synth C"));
            QCOMPARE(game.main()->deviceList()->currentText(), QStringLiteral("Test Synth C"));
            QCOMPARE(game.trace().texts().first(), QStringLiteral("open 2 -> ok"));
            game.main()->close();
            QVERIFY(ReadSettings().contains("dev_num=2\ngakki=Test Synth C\n"));
        }
    }

    void noDeviceAtAll()
    {
        GameBench game(std::vector<FakeDeviceConfig>{});
        QVERIFY(game.program().ended());
        QCOMPARE(game.trace().texts(), QStringList({"box ＭＩＤＩ音源がないのでこのソフトは利用できません"}));
        QVERIFY(game.tuning() == nullptr);
        QVERIFY(!QFile::exists(SettingsPath()));
    }

    void noDeviceAnswersItsCapabilityQuery()
    {
        GameBench game({{.name = "Broken", .capabilities = output::Result::Missing}});
        QVERIFY(!game.program().ended());
        QCOMPARE(game.main()->deviceList()->count(), 0);
        QCOMPARE(game.trace().only({"box"}).first(), QStringLiteral("box BADDEVICEID"));
    }

    void openFailureAtStartUp_data()
    {
        QTest::addColumn<output::Result>("result");
        QTest::addColumn<QString>("message");
        QTest::newRow("failed") << output::Result::Failed << "ERROR";
        QTest::newRow("no such device") << output::Result::NoSuchDevice << "BADDEVICEID";
        QTest::newRow("no sound output") << output::Result::NoSoundOutput << "NOTENABLED";
        QTest::newRow("busy") << output::Result::Busy << "ALLOCATED";
        QTest::newRow("not open") << output::Result::NotOpen << "指定されたデバイス ハンドルが無効です。";
        QTest::newRow("missing") << output::Result::Missing << "NODRIVER";
        QTest::newRow("no memory") << output::Result::NoMemory
                                   << "メモリの割り当てまたはロックができません。";
        QTest::newRow("refused") << output::Result::Refused << "INVALPARAM";
        for (auto result : {output::Result::NotPrepared, output::Result::Gone})
            QTest::addRow("%s", qPrintable(ResultName(result))) << result << "ＭＩＤＩデバイスが開けません";
    }
    void openFailureAtStartUp()
    {
        QFETCH(output::Result, result);
        QFETCH(QString, message);
        const std::deque<output::Result> failures(6, result);
        GameBench game({{.name = "Busy", .openResults = failures}});
        QStringList expected;
        for (int attempt = 0; attempt < 6; ++attempt) {
            if (attempt > 0)
                expected << QStringLiteral("%1 sleep 500").arg((attempt - 1) * 500);
            expected << QStringLiteral("%1 open 0 -> %2").arg(attempt * 500).arg(ResultName(result));
        }
        expected << "2500 box " + message << "2500 sleep 100";
        QCOMPARE(game.trace().timed().mid(0, expected.size()), expected);
        // The challenge still goes out, to a port that is not open, and says so.
        QCOMPARE(game.trace().texts().mid(expected.size()),
                 QStringList({"sleep 300", "sleep 1000", "box error3"}));
        // Below each code the player knows: one plain Japanese line saying what happened and what to do.
        QCOMPARE(game.bench().explanations().size(), 2);
        for (const QString& line : game.bench().explanations())
            QVERIFY2(line.contains(QRegularExpression("[\\x{3040}-\\x{30FF}]")) && !line.contains('\n'),
                     qPrintable(line));
    }

    void openSucceedingOnARetry()
    {
        GameBench game({{.name = "Slow", .openResults = {output::Result::Busy, output::Result::Busy}}});
        QCOMPARE(game.trace().texts().mid(0, 6), QStringList({"open 0 -> busy", "sleep 500", "open 0 -> busy",
                                                              "sleep 500", "open 0 -> ok", kGsReset}));
        QVERIFY(game.trace().only({"box"}).isEmpty());
    }

    // At exit no box waits for a click that the player can do nothing about: the program ends.
    void closeSaysNothingOfAFailedFinalSend()
    {
        GameBench game({{.name = "Flaky", .longResult = output::Result::Gone}});
        game.trace().clear();
        game.main()->close();
        QCOMPARE(game.trace().texts(),
                 QStringList({"sleep 300", kEqualTemperament, "sleep 1000", "close 0"}));
        QVERIFY(QFile::exists(SettingsPath()));
    }

    // Nothing goes on sounding after the exit: the held key, the pedal and the check run's note
    // end before the tuning goes back to equal temperament.
    void closeReleasesEverythingBeforeTheTuning()
    {
        GameBench game;
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        game.tuning()->onCheckRunTick(); // C4 sounds
        GameBench::keyDown(game.main(), Qt::Key_A);
        GameBench::keyDown(game.main(), Qt::Key_Space);
        game.trace().clear();
        game.main()->close();
        QCOMPARE(game.trace().texts(),
                 QStringList({"short 80 35 7F", "short B0 40 00", "short 80 3C 7F", "sleep 300",
                              kEqualTemperament, "sleep 1000", "close 0"}));
    }

    void unwritableSettingsAreReported()
    {
        QFile::remove(SettingsPath());
        QVERIFY(QDir().mkdir(SettingsPath())); // a folder where the file should be
        {
            TestBench bench;
            RecordingDesktop desktop(bench);
            Program program(HostOf(bench, desktop));
            bench.trace().clear();
            program.mainWindow()->close();
            const QString box = bench.trace().only({"box"}).value(0);
            const QString said = "box 設定ファイルを保存できませんでした。\n" + SettingsPath() + "\n理由：";
            QVERIFY2(box.startsWith(said) && box.size() > said.size(), qPrintable(box)); // and why
        }
        QVERIFY(QDir().rmdir(SettingsPath()));
    }

    void settingsKeepWhatTheyDoNotKnow()
    {
        const QString original = "; player's notes\n[Window]\nHEIGHT=300\nextra=keep me\nWidth=0x190\n"
                                 "[Other]\nA=1\n[Dev]\nDev_num=1\nGakki=Test Synth B\nMAP=77\n";
        GameBench game({{.name = "Test Synth A"}, {.name = "Test Synth B"}}, original);
        QCOMPARE(game.main()->height(), 300);
        QCOMPARE(game.main()->width(), 400);
        game.main()->close();
        QCOMPARE(ReadSettings(),
                 QStringLiteral("; player's notes\n[Window]\nHEIGHT=300\nextra=keep me\nWidth=400\n"
                                "Top=159\nLeft=193\n[Other]\nA=1\n[Dev]\nDev_num=1\n"
                                "Gakki=Test Synth B\nMAP=77\n[tuning]\na4=440\n"));
    }

    // Bounds no screen can show put the window on the screen while the file keeps them as written;
    // a maximized window saves the bounds it had before.
    void unusableBoundsArePlacedOnScreenAndKeptInTheFile()
    {
        constexpr char kUnusable[] = "[window]\nheight=3\0"
                                     "00\nwidth=-5\ntop=-2147483648\nleft=99999\n";
        {
            GameBench game({{.name = "Test Synth A"}}, QString::fromUtf8(kUnusable, sizeof kUnusable - 1));
            // The frame's position with the inside's size: the decorations are unknown before the
            // window first shows.
            QVERIFY(game.main()->screen()->availableGeometry().contains(
                QRect(game.main()->pos(), game.main()->size())));
            QCOMPARE(game.main()->size(), QSize(345, 246));
            game.main()->close();
            QVERIFY(
                ReadSettings().startsWith("[window]\nheight=246\nwidth=-5\ntop=-2147483648\nleft=99999\n"));
        }
        GameBench game({{.name = "Test Synth A"}}, Settings(0, "Test Synth A"));
        game.main()->showMaximized();
        QTRY_VERIFY(game.main()->width() > 400);
        game.main()->close();
        QVERIFY(ReadSettings().startsWith("[window]\nheight=300\nwidth=400\ntop=20\nleft=30\n"));
    }

    void badSettingsFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[\x01=\x80\n\x00\x00", 10);
        QTest::newRow("ten megabytes") << QByteArray(10 * 1024 * 1024, 'x');
        QTest::newRow("no sections") << QByteArray("height=1\nwidth=2\n");
        QTest::newRow("bad values") << QByteArray("[window]\nheight=0x\nwidth=0xZZ\ntop=12abc\nleft=\n"
                                                  "[dev]\ndev_num=99999999999\nmap=four\n");
        QTest::newRow("duplicates, no equals") << QByteArray("[dev]\nmap=4\n[DEV]\nmap=5\nno equals here\n");
    }
    void badSettingsFiles()
    {
        QFETCH(QByteArray, content);
        QFile::remove(SettingsPath());
        {
            QFile file(SettingsPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        TestBench bench;
        {
            RecordingDesktop desktop(bench);
            Program program(HostOf(bench, desktop));
            QVERIFY(!program.ended());
            program.mainWindow()->clockTimer()->stop();
            program.tuningWindow()->checkRunTimer()->stop();
            QCOMPARE(program.mainWindow()->deviceList()->currentText(), QStringLiteral("Test Synth A"));
            program.mainWindow()->close();
        }
        const auto saved = game::IniDocument::load(SettingsPath());
        QCOMPARE(saved.readString("dev", "gakki", "missing"), QStringLiteral("Test Synth A"));
        QCOMPARE(saved.readInteger("dev", "dev_num", -1), 0);
        QVERIFY(saved.readInteger("window", "Height", -1) > 0);
        QFile::remove(SettingsPath());
    }

    void mapSurvivesManyRuns()
    {
        QFile::remove(SettingsPath());
        WriteSettings("[dev]\nmap=-2147483648\n");
        for (int run = 0; run < 3; ++run) {
            TestBench bench;
            RecordingDesktop desktop(bench);
            Program program(HostOf(bench, desktop));
            program.mainWindow()->close();
        }
        QCOMPARE(game::IniDocument::load(SettingsPath()).readInteger("dev", "map", 0), -2147483647 - 1);
        WriteSettings("[dev]\nmap=not a number\n");
        {
            TestBench bench;
            RecordingDesktop desktop(bench);
            Program program(HostOf(bench, desktop));
            program.mainWindow()->close();
        }
        QCOMPARE(game::IniDocument::load(SettingsPath()).readString("dev", "map", ""), QStringLiteral("4"));
        QFile::remove(SettingsPath());
    }

    void windowsAtStartUp()
    {
        GameBench game;
        QVERIFY(game.main()->isVisible());
        QVERIFY(game.tuning()->isVisible());
        for (QWidget* hidden : std::initializer_list<QWidget*>{game.results(), game.hint(), game.difficulty(),
                                                               game.instruments()})
            QVERIFY(!hidden->isVisible());
        QCOMPARE(game.main()->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(game.tuning()->windowTitle(), QStringLiteral("調整"));
        QCOMPARE(game.results()->windowTitle(), QStringLiteral("正解表示"));
        QCOMPARE(game.hint()->windowTitle(), QStringLiteral("ヒント"));
        QCOMPARE(game.difficulty()->windowTitle(), QStringLiteral("難易度の設定"));
        QCOMPARE(game.instruments()->windowTitle(), QStringLiteral("楽器の設定"));
        // Made after the first challenge started, the results window holds that challenge.
        for (int k = 0; k < 12; ++k) {
            QCOMPARE(game.results()->PlayerCell(k)->text(), QStringLiteral("0"));
            QCOMPARE(game.results()->CorrectCell(k)->text(), game::CentsText(-game.session().detune()[k]));
        }
        QCOMPARE(game.results()->scoreLabel()->text(), QStringLiteral("100"));
        QCOMPARE(game.difficulty()->level(), 0);
        QCOMPARE(game.instruments()->instrumentList()->currentText(), QStringLiteral("piano 1"));
    }

    // The results window is made after the main window's first paint; a check before then makes it
    // at once and shows the check in it.
    void aCheckBeforeTheFirstPaintShowsItsResults()
    {
        QFile::remove(SettingsPath());
        RemoveHistory();
        TestBench bench({{.name = "Test Synth A"}});
        RecordingDesktop desktop(bench);
        Program program(HostOf(bench, desktop));
        program.showMainWindow();
        QVERIFY(!program.resultsWindow());
        program.session().moveSlider(0, 5);
        const game::CheckResult result = program.session().checkAnswer();
        QVERIFY(program.resultsWindow() && program.resultsWindow()->isVisible());
        QCOMPARE(program.resultsWindow()->PlayerCell(0)->text(), game::CentsText(result.player[0]));
        QCOMPARE(program.resultsWindow()->scoreLabel()->text(), QString::number(result.score));
    }

    // A maximized main window grows its keys instead of leaving a grey field beside them.
    void aLargerMainWindowGrowsItsKeys()
    {
        GameBench game;
        const ui::Shape* lowestWhite = nullptr; // F3, at the keyboard's left edge
        for (int number = 1; number <= 24; ++number)
            if (game.main()->pianoKey(number)->x() == 0 && game.main()->pianoKey(number)->width() == 25)
                lowestWhite = game.main()->pianoKey(number);
        QVERIFY(lowestWhite);
        game.main()->resize(2 * 345, 2 * 246);
        QCOMPARE(lowestWhite->width(), 50);
        QVERIFY(lowestWhite->height() > 105);
    }

    // A window made smaller for a small screen keeps every control inside it.
    void aSmallerWindowKeepsItsControlsInside()
    {
        GameBench game;
        for (QWidget* window : std::initializer_list<QWidget*>{game.tuning(), game.results(), game.hint()}) {
            window->show();
            window->resize(window->minimumSize());
            QVERIFY(window->height() < window->sizeHint().height());
            for (const QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                QVERIFY2(window->rect().contains(control->geometry()), qPrintable(window->windowTitle()));
        }
    }

    void otherWindowsHideOnClose()
    {
        GameBench game;
        game.hint()->show();
        game.hint()->close();
        QVERIFY(!game.hint()->isVisible());
        QVERIFY(game.hint()->isEnabled());
        game.trace().clear();
        game.tuning()->close();
        QVERIFY(game.tuning()->isVisible());
        QVERIFY(game.trace().texts().isEmpty());
    }

    void activatingTheMainWindowShowsTheAdjustmentWindow()
    {
        GameBench game;
        game.tuning()->hide();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(game.main(), &activate);
        QVERIFY(game.tuning()->isVisible());
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
