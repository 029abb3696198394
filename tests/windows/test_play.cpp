// SPDX-License-Identifier: GPL-3.0-or-later
// Playing a challenge: the draw and its sends, the sliders, the keyboards, the dialogs and the
// device switch, driven through the real widgets and traced on the virtual clock.
#include "GameBench.h"

#include <QAbstractItemView>
#include <QTableView>

#include <set>

using namespace testing;

namespace {

QStringList Shorts(const Trace& trace)
{
    return trace.only({"short"});
}

void ChooseDifficulty(GameBench& game, int difficulty)
{
    game.difficulty()->setLevel(difficulty);
}

} // namespace

class TestPlay : public QObject {
    Q_OBJECT

private slots:
    // ---- New challenge -----------------------------------------------------------------------

    void newChallengeWithAllSlidersAtZeroSendsOnce()
    {
        GameBench game;
        game.trace().clear();
        game.session().startChallenge();
        QCOMPARE(game.trace().texts(),
                 QStringList({"sleep 300", ScaleTuningTrace(TuningData(game)), "sleep 1000"}));
        for (int k = 0; k < 12; ++k)
            QCOMPARE(game.results()->CorrectCell(k)->text(),
                     game::CentsText(-game.session().detune()[std::size_t(k)]));
    }

    // One challenge, one tuning: the sliders' return to 0 goes out with the new draw, never a
    // tuning of the new draw with a slider still where the player left it.
    void newChallengeResetsTheSlidersAwayFromZero()
    {
        GameBench game;
        for (int pitchClass : {0, 3, 6})
            game.tuning()->slider(pitchClass)->setValue(pitchClass == 3 ? -5 : 3);
        QCOMPARE(game.results()->PlayerCell(3)->text(), QStringLiteral("-5"));
        game.trace().clear();
        game.session().startChallenge();
        QCOMPARE(game.trace().texts(),
                 QStringList({"sleep 300", ScaleTuningTrace(TuningData(game)), "sleep 1000"}));
        for (int k = 0; k < 12; ++k) {
            QCOMPARE(game.results()->PlayerCell(k)->text(), QStringLiteral("0"));
            QCOMPARE(game.tuning()->slider(k)->value(), 0);
        }
    }

    void difficultyChangeSendsOneTuningOfTheNewDraw()
    {
        GameBench game;
        game.tuning()->slider(4)->setValue(20);
        game.trace().clear();
        ChooseDifficulty(game, 3);
        QCOMPARE(game.trace().only({"long"}), QStringList{ScaleTuningTrace(TuningData(game))});
        QCOMPARE(game.tuning()->slider(4)->minimum(), -3);
        QCOMPARE(game.tuning()->slider(4)->maximum(), 3);
        QCOMPARE(game.tuning()->slider(4)->value(), 0);
        QCOMPARE(game.results()->PlayerCell(4)->text(), QStringLiteral("0"));
    }

    void choosingTheSelectedDifficultyDrawsNothing()
    {
        GameBench game;
        game.trace().clear();
        ChooseDifficulty(game, 0);
        QVERIFY(game.trace().texts().isEmpty());
    }

    void dataBytesAtTheirBounds_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<int>("detune");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("byte");
        QTest::newRow("difficulty 0, highest") << 0 << 19 << 31 << 114;
        QTest::newRow("difficulty 0, lowest") << 0 << -20 << -32 << 12;
        QTest::newRow("difficulty 1, highest") << 1 << 27 << 10 << 121;
        QTest::newRow("difficulty 3, lowest") << 3 << -30 << -3 << 4;
    }
    void dataBytesAtTheirBounds()
    {
        QFETCH(int, difficulty);
        QFETCH(int, detune);
        QFETCH(int, position);
        QFETCH(int, byte);
        GameBench game;
        ChooseDifficulty(game, difficulty);
        game::DetuneArray table = game.session().detune();
        table[0] = detune;
        game.session().setDetune(table);
        game.trace().clear();
        game.tuning()->slider(0)->setValue(position);
        QCOMPARE(int(game.program().output().scaleTuningMessage()[8]), byte);
        QCOMPARE(game.trace().only({"long"}), QStringList{ScaleTuningTrace(TuningData(game, {position}))});
    }

    void eachDifficultyDrawsExactlyItsValues_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("count");
        QTest::newRow("1 cent") << 0 << -20 << 1 << 40;
        QTest::newRow("3 cents") << 1 << -30 << 3 << 20;
        QTest::newRow("5 cents") << 2 << -30 << 5 << 12;
        QTest::newRow("10 cents") << 3 << -30 << 10 << 6;
    }
    void eachDifficultyDrawsExactlyItsValues()
    {
        QFETCH(int, difficulty);
        QFETCH(int, first);
        QFETCH(int, step);
        QFETCH(int, count);
        GameBench game;
        ChooseDifficulty(game, difficulty);
        std::set<int> drawn;
        std::set<QString> shown;
        for (int challenge = 0; challenge < 60; ++challenge) {
            game.session().startChallenge();
            for (int k = 0; k < 12; ++k) {
                drawn.insert(game.session().detune()[std::size_t(k)]);
                shown.insert(game.results()->CorrectCell(k)->text());
            }
        }
        std::set<int> expected;
        std::set<QString> expectedTexts;
        for (int i = 0; i < count; ++i) {
            expected.insert(first + i * step);
            expectedTexts.insert(QString::number(-(first + i * step)));
        }
        QCOMPARE(drawn, expected);
        QCOMPARE(shown, expectedTexts);
        // The correct position of every draw lies inside the slider range.
        for (int value : drawn)
            QVERIFY(-value % step == 0 && -value / step >= game.tuning()->slider(0)->minimum() &&
                    -value / step <= game.tuning()->slider(0)->maximum());
    }

    // ---- Sliders -----------------------------------------------------------------------------

    void sliderWritesThePlayersCell_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<int>("pitchClass");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("cell");
        QTest::newRow("1 cent") << 0 << 0 << 1 << "1";
        QTest::newRow("3 cents") << 1 << 11 << 10 << "30";
        QTest::newRow("5 cents") << 2 << 5 << -6 << "-30";
        QTest::newRow("10 cents") << 3 << 9 << -3 << "-30";
    }
    void sliderWritesThePlayersCell()
    {
        QFETCH(int, difficulty);
        QFETCH(int, pitchClass);
        QFETCH(int, position);
        QFETCH(QString, cell);
        GameBench game;
        ChooseDifficulty(game, difficulty);
        game.tuning()->slider(pitchClass)->setValue(position);
        QCOMPARE(game.results()->PlayerCell(pitchClass)->text(), cell);
    }

    void firstSliderChangeLocksTheSettings()
    {
        GameBench game;
        game.main()->difficultyEntry()->trigger();
        game.main()->instrumentEntry()->trigger();
        QVERIFY(game.difficulty()->isVisible() && game.instruments()->isVisible());
        game.trace().clear();
        QTest::keyClick(game.tuning()->slider(0), Qt::Key_Right); // the player's arrow key on the slider
        QCOMPARE(game.tuning()->slider(0)->value(), 1);
        QCOMPARE(game.trace().texts(),
                 QStringList({"sleep 300", ScaleTuningTrace(TuningData(game, {1})), "sleep 10"}));
        QCOMPARE(int(game.program().output().scaleTuningMessage()[8]), game.session().detune()[0] + 65);
        QCOMPARE(game.results()->PlayerCell(0)->text(), QStringLiteral("1"));
        QVERIFY(!game.difficulty()->isVisible() && !game.difficulty()->isEnabled());
        QVERIFY(!game.instruments()->isVisible() && !game.instruments()->isEnabled());
        QVERIFY(!game.main()->difficultyEntry()->isEnabled() && !game.main()->instrumentEntry()->isEnabled());
    }

    // A greyed-out settings entry says why: in its tooltip, and in the status bar while the menu
    // is open; the clock comes back when it closes.
    void lockedSettingsSayWhy()
    {
        GameBench game;
        MainWindow* main = game.main();
        const auto statusWhileMenuOpen = [main] {
            emit main->settingsMenu()->aboutToShow();
            const QString text = main->clockStatusBar()->currentMessage();
            emit main->settingsMenu()->aboutToHide();
            return text;
        };
        const QString clock = game::DateTimeText(game.bench().now(), QLocale::system());
        QCOMPARE(statusWhileMenuOpen(), clock);
        game.tuning()->slider(0)->setValue(1);
        QVERIFY(main->difficultyEntry()->toolTip().contains(QStringLiteral("答え合わせ")));
        QVERIFY(main->instrumentEntry()->toolTip().contains(QStringLiteral("次の挑戦")));
        QVERIFY(statusWhileMenuOpen().contains(QStringLiteral("スライダーを動かした")));
        QCOMPARE(main->clockStatusBar()->currentMessage(), clock);
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        QVERIFY(main->difficultyEntry()->isEnabled() && !main->instrumentEntry()->isEnabled());
        QVERIFY(!main->difficultyEntry()->toolTip().contains(QStringLiteral("スライダー")));
        QVERIFY(main->instrumentEntry()->toolTip().contains(QStringLiteral("次の挑戦")));
        QVERIFY(statusWhileMenuOpen().contains(QStringLiteral("楽器は次の挑戦から")));
    }

    void sliderAwayAndBackSendsTwice()
    {
        GameBench game;
        game.trace().clear();
        game.tuning()->slider(2)->setValue(2);
        game.tuning()->slider(2)->setValue(0);
        game.tuning()->slider(2)->setValue(0);
        QCOMPARE(game.trace().only({"long"}).size(), 2);
        QCOMPARE(game.results()->PlayerCell(2)->text(), QStringLiteral("0"));
    }

    void checkRunPlaysFourteenNotes()
    {
        GameBench game;
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        game.trace().clear();
        for (int tick = 0; tick < 16; ++tick)
            game.tuning()->onCheckRunTick();
        QStringList expected;
        for (std::uint8_t note = 60; note <= 73; ++note)
            expected << ShortTrace(0x80, note - 1, 0x7F) << ShortTrace(0x90, note, 0x64);
        expected << ShortTrace(0x80, 73, 0x7F);
        QCOMPARE(game.trace().texts(), expected);
        QVERIFY(!game.session().checkRunActive());
    }

    // ---- Keyboard ----------------------------------------------------------------------------

    void heldKeyWithAutoRepeatSoundsOnce_data()
    {
        QTest::addColumn<bool>("fromAdjustmentWindow");
        QTest::newRow("main window") << false;
        QTest::newRow("adjustment window") << true;
    }
    void heldKeyWithAutoRepeatSoundsOnce()
    {
        QFETCH(bool, fromAdjustmentWindow);
        GameBench game;
        QWidget* window = fromAdjustmentWindow ? static_cast<QWidget*>(game.tuning()) : game.main();
        game.trace().clear();
        GameBench::keyDown(window, Qt::Key_A);
        for (int repeat = 0; repeat < 3; ++repeat) {
            GameBench::keyUp(window, Qt::Key_A, true);
            GameBench::keyDown(window, Qt::Key_A, true);
        }
        QCOMPARE(game.main()->pianoKey(1)->fill(), QColor(Qt::red));
        GameBench::keyUp(window, Qt::Key_A);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 90 35 64", "short 80 35 7F"}));
        QCOMPARE(game.main()->pianoKey(1)->fill(), QColor(Qt::white));
    }

    void autoRepeatNeverResendsThePedal()
    {
        GameBench game;
        game.trace().clear();
        GameBench::keyDown(game.main(), Qt::Key_Space);
        for (int repeat = 0; repeat < 3; ++repeat)
            GameBench::keyDown(game.main(), Qt::Key_Space, true);
        GameBench::keyUp(game.main(), Qt::Key_Space);
        QCOMPARE(Shorts(game.trace()), QStringList({"short B0 40 7F", "short B0 40 00"}));
    }

    // A key and the pedal held in the tuning window while the focus moves on are released where
    // the focus went: one note-off, one pedal-off.
    void heldKeyAndPedalReleasedWhereTheFocusWent_data()
    {
        QTest::addColumn<QString>("place");
        for (const char* place : {"results", "hint", "history", "menu"})
            QTest::newRow(place) << QString::fromLatin1(place);
    }
    void heldKeyAndPedalReleasedWhereTheFocusWent()
    {
        QFETCH(QString, place);
        GameBench game;
        GameBench::keyDown(game.tuning(), Qt::Key_A);
        GameBench::keyDown(game.tuning(), Qt::Key_Space);
        QWidget* there = nullptr;
        if (place == "results") {
            QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
            there = game.results();
        } else if (place == "hint") {
            QTest::mouseClick(game.main()->hintButton(), Qt::LeftButton);
            there = game.hint();
        } else if (place == "history") {
            game.main()->historyEntry()->trigger();
            there = game.program().history()->window();
        } else {
            game.main()->settingsMenu()->popup(game.main()->pos());
            there = game.main()->settingsMenu();
        }
        QVERIFY(there->isVisible());
        game.trace().clear();
        GameBench::keyUp(there, Qt::Key_A);
        GameBench::keyUp(there, Qt::Key_Space);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 80 35 7F", "short B0 40 00"}));
    }

    void keysPlayInTheResultsWindow()
    {
        GameBench game;
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        game.trace().clear();
        GameBench::keyDown(game.results(), Qt::Key_S);
        GameBench::keyUp(game.results(), Qt::Key_S);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 90 37 64", "short 80 37 7F"}));
    }

    // Space is the pedal and nothing else: it clicks no button, sounds no reference A.
    void spaceOnAFocusedButtonIsOnlyThePedal_data()
    {
        QTest::addColumn<QString>("button");
        for (const char* button : {"answer", "hint", "reference"})
            QTest::newRow(button) << QString::fromLatin1(button);
    }
    void spaceOnAFocusedButtonIsOnlyThePedal()
    {
        QFETCH(QString, button);
        GameBench game;
        QWidget* control = button == "answer" ? game.tuning()->answerButton()
                           : button == "hint" ? game.main()->hintButton()
                                              : game.main()->referenceButton();
        control->setFocus();
        game.trace().clear();
        GameBench::keyDown(control->window(), Qt::Key_Space);
        GameBench::keyUp(control->window(), Qt::Key_Space);
        QCOMPARE(game.trace().texts(), QStringList({"short B0 40 7F", "short B0 40 00"}));
        QVERIFY(!game.results()->isVisible() && !game.hint()->isVisible());
        QVERIFY(!game.session().referenceToneUsed());
    }

    // Another program's window takes the keyboard: Qt says so either as the application turning
    // inactive or as the focus moving to none of the program's windows (a window manager may send
    // only the latter).
    void losingTheKeyboardReleasesEverythingHeld_data()
    {
        QTest::addColumn<bool>("focusToNoWindow");
        QTest::newRow("application inactive") << false;
        QTest::newRow("focus to no window") << true;
    }
    void losingTheKeyboardReleasesEverythingHeld()
    {
        QFETCH(bool, focusToNoWindow);
        GameBench game;
        GameBench::keyDown(game.main(), Qt::Key_A);
        GameBench::keyDown(game.main(), Qt::Key_Space);
        game.main()->referenceButton()->setFocus();
        GameBench::keyDown(game.main(), Qt::Key_Return); // the reference A, from "A音"
        game.trace().clear();
        if (focusToNoWindow) {
            QVERIFY(!QGuiApplication::focusWindow());
            emit qApp->focusWindowChanged(nullptr);
        } else {
            emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        }
        QCOMPARE(Shorts(game.trace()), QStringList({"short 80 35 7F", "short B0 40 00", "short 81 45 7F"}));
        QCOMPARE(game.main()->pianoKey(1)->fill(), QColor(Qt::white));
    }

    // A release ends what a press started, in whichever window: no note-off for a key that
    // sounds nothing here.
    void chordAndStrayReleases()
    {
        GameBench game;
        game.trace().clear();
        GameBench::keyDown(game.main(), Qt::Key_A);
        GameBench::keyDown(game.tuning(), Qt::Key_S); // pressed in one window ...
        GameBench::keyUp(game.main(), Qt::Key_A);
        QCOMPARE(game.main()->pianoKey(2)->fill(), QColor(Qt::red));
        GameBench::keyUp(game.main(), Qt::Key_S); // ... released in the other
        GameBench::keyUp(game.main(), Qt::Key_K); // a release never pressed here
        GameBench::keyUp(game.main(), Qt::Key_Space);
        GameBench::keyDown(game.main(), Qt::Key_Semicolon);
        GameBench::keyDown(game.main(), Qt::Key_Q); // not a mapped key
        QCOMPARE(Shorts(game.trace()), QStringList({"short 90 35 64", "short 90 37 64", "short 80 35 7F",
                                                    "short 80 37 7F", "short 90 45 64"}));
    }

    // An Alt chord is a shortcut or nothing: no note, no pedal, no note-off; a note held before
    // Alt still ends at its release.
    void altChordsPlayNothing_data()
    {
        QTest::addColumn<QString>("window");
        for (const char* window : {"main", "adjustment", "beats"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }
    void altChordsPlayNothing()
    {
        QFETCH(QString, window);
        GameBench game;
        game.main()->beatWindowEntry()->trigger();
        QWidget* there = window == "main"         ? static_cast<QWidget*>(game.main())
                         : window == "adjustment" ? static_cast<QWidget*>(game.tuning())
                                                  : game.program().beatWindow();
        game.trace().clear();
        for (Qt::Key key : {Qt::Key_W, Qt::Key_K, Qt::Key_S, Qt::Key_E, Qt::Key_Space})
            GameBench::altChord(there, key);
        GameBench::keyDown(there, Qt::Key_A);
        GameBench::keyDown(there, Qt::Key_Alt, false, Qt::AltModifier);
        GameBench::keyUp(there, Qt::Key_A, false, Qt::AltModifier);
        GameBench::keyUp(there, Qt::Key_Alt, false, Qt::AltModifier);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 90 35 64", "short 80 35 7F"}));
    }

    void pressWithoutReleaseKeepsTheKeyHeld()
    {
        GameBench game;
        GameBench::keyDown(game.main(), Qt::Key_A);
        game.trace().clear();
        GameBench::keyDown(game.main(), Qt::Key_A); // a second press, its release lost elsewhere
        GameBench::keyUp(game.main(), Qt::Key_A);
        GameBench::keyDown(game.main(), Qt::Key_A);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 80 35 7F", "short 90 35 64"}));
    }

    // "A音" sounds for its own key alone: a piano key on the focused button plays its note, Alt
    // and its chords play nothing; Return sounds the reference A while it is held.
    void referenceButtonSoundsOnlyForReturn()
    {
        GameBench game;
        QTest::mouseClick(game.main()->referenceButton(), Qt::LeftButton); // the focus stays on it
        game.main()->referenceButton()->setFocus();
        game.session().startChallenge(); // a later challenge, which the click did not use
        game.trace().clear();
        GameBench::keyDown(game.main(), Qt::Key_K);
        GameBench::keyUp(game.main(), Qt::Key_K);
        GameBench::keyDown(game.main(), Qt::Key_Alt, false, Qt::AltModifier);
        GameBench::keyUp(game.main(), Qt::Key_Alt, false, Qt::AltModifier);
        for (Qt::Key key : {Qt::Key_R, Qt::Key_S, Qt::Key_F4, Qt::Key_Return})
            GameBench::altChord(game.main(), key);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 90 41 64", "short 80 41 7F"}));
        QVERIFY(!game.session().referenceToneUsed());
        game.main()->referenceButton()->setFocus(); // Alt alone took the focus to the menu bar
        GameBench::keyDown(game.main(), Qt::Key_Return);
        GameBench::keyDown(game.main(), Qt::Key_Return, true);
        GameBench::keyUp(game.main(), Qt::Key_Return);
        QCOMPARE(Shorts(game.trace()).mid(2), QStringList({"short 91 45 64", "short 81 45 7F"}));
        QVERIFY(game.session().referenceToneUsed());
    }

    // Return held on "A音" while the focus moves on: its release still ends the reference A.
    void referenceReleasedWhereTheFocusWent()
    {
        GameBench game;
        game.main()->referenceButton()->setFocus();
        game.trace().clear();
        GameBench::keyDown(game.main(), Qt::Key_Return);
        game.main()->hintButton()->setFocus();
        GameBench::keyUp(game.main(), Qt::Key_Return);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 91 45 64", "short 81 45 7F"}));
    }

    void slidersTakeTheFocusInRowOrderAndStepByArrowKeys()
    {
        GameBench game;
        game.tuning()->slider(0)->setFocus();
        GameBench::keyDown(game.tuning(), Qt::Key_Tab);
        GameBench::keyDown(game.tuning(), Qt::Key_Right);
        QCOMPARE(game.tuning()->slider(1)->value(), 1);
        QCOMPARE(game.results()->PlayerCell(1)->text(), QStringLiteral("1"));
        game.tuning()->slider(11)->setFocus();
        GameBench::keyDown(game.tuning(), Qt::Key_Tab);
        QCOMPARE(game.tuning()->focusWidget(), game.tuning()->answerButton());
    }

    void enterPressesTheFocusedButton()
    {
        GameBench game;
        game.tuning()->answerButton()->setFocus();
        QTest::keyClick(game.tuning()->answerButton(), Qt::Key_Return);
        QVERIFY(game.results()->isVisible());
    }

    void referenceButtonByMouse()
    {
        GameBench game;
        game.trace().clear();
        QTest::mousePress(game.main()->referenceButton(), Qt::RightButton);
        QTest::mouseRelease(game.main()->referenceButton(), Qt::RightButton);
        QCOMPARE(Shorts(game.trace()), QStringList({"short 91 45 64", "short 81 45 7F"}));
        QVERIFY(game.session().referenceToneUsed());
    }

    void deviceListSwallowsKeys()
    {
        GameBench game;
        game.main()->deviceList()->setFocus();
        game.trace().clear();
        for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_End, Qt::Key_Space}) {
            GameBench::keyDown(game.main(), key);
            GameBench::keyUp(game.main(), key);
        }
        QCOMPARE(game.main()->deviceList()->currentIndex(), 0);
        QCOMPARE(game.trace().texts(), QStringList({"short B0 40 7F", "short B0 40 00"}));
        GameBench::keyDown(game.main(), Qt::Key_Tab); // the one key it takes: the focus moves on
        QVERIFY(!game.main()->deviceList()->hasFocus());
    }

    // A piano key, held with its auto-repeat or tapped, plays and never reaches a list's
    // type-ahead: the instrument stays, the device stays, the history's table keeps its row.
    void pianoKeysNeverReachAListAsLetters_data()
    {
        QTest::addColumn<QString>("list");
        for (const char* list : {"instruments", "devices", "history"})
            QTest::newRow(list) << QString::fromLatin1(list);
    }
    void pianoKeysNeverReachAListAsLetters()
    {
        QFETCH(QString, list);
        GameBench game;
        game.main()->historyEntry()->trigger();
        HistoryWindow* history = game.program().history()->window();
        std::vector<history::ChallengeRecord> records(3);
        for (int i = 0; i < 3; ++i) {
            records[std::size_t(i)].ended = QDateTime(QDate(2024, 5, 1 + i), QTime(10, 0));
            records[std::size_t(i)].instrument =
                std::array{9, 29, 0}[std::size_t(i)]; // Glockenspiel, Overdrive Gt.
        }
        history->setRecords(records);
        QWidget* focused = list == "instruments" ? static_cast<QWidget*>(game.instruments()->instrumentList())
                           : list == "devices"   ? static_cast<QWidget*>(game.main()->deviceList())
                                                 : history->challengeTable();
        focused->window()->show();
        focused->setFocus();
        if (list == "history") // the instrument's column, where "o" and "g" would find a row
            history->challengeTable()->setCurrentIndex(history->challengeTable()->model()->index(0, 4));
        const auto where = [&] {
            return list == "instruments" ? game.instruments()->instrumentList()->currentText()
                   : list == "devices"   ? game.main()->deviceList()->currentText()
                                         : QString::number(history->challengeTable()->currentIndex().row());
        };
        const QString before = where();
        game.trace().clear();
        GameBench::keyDown(focused->window(), Qt::Key_O);
        for (int repeat = 0; repeat < 3; ++repeat)
            GameBench::keyDown(focused->window(), Qt::Key_O, true);
        GameBench::keyUp(focused->window(), Qt::Key_O);
        GameBench::keyDown(focused->window(), Qt::Key_G); // tapped
        GameBench::keyUp(focused->window(), Qt::Key_G);
        QCOMPARE(where(), before);
        QCOMPARE(game.trace().texts(),
                 QStringList({"short 90 42 64", "short 80 42 7F", "short 90 3C 64", "short 80 3C 7F"}));
    }

    void deviceListOpensAndChoosesByKeys_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("Alt+Down") << Qt::Key_Down << Qt::KeyboardModifiers(Qt::AltModifier);
        QTest::newRow("F4") << Qt::Key_F4 << Qt::KeyboardModifiers();
    }

    void deviceListOpensAndChoosesByKeys()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        GameBench game;
        QComboBox* list = game.main()->deviceList();
        list->setFocus();
        QTest::keyClick(list, key, modifiers);
        QVERIFY(list->view()->isVisible());
        QTest::keyClick(list->view(), Qt::Key_Down);
        QTest::keyClick(list->view(), Qt::Key_Return);
        QVERIFY(!list->view()->isVisible());
        QCOMPARE(list->currentText(), QStringLiteral("Test Synth B"));
    }

    void mouseOnTheKeys()
    {
        GameBench game;
        QWidget* client = game.main()->centralWidget();
        QCOMPARE(client->childAt(20, 10),
                 game.main()->pianoKey(15)); // the black key lies above the white one
        QCOMPARE(client->childAt(20, 90), game.main()->pianoKey(1));
        game.trace().clear();
        QTest::mousePress(game.main()->pianoKey(24), Qt::RightButton);
        QCOMPARE(game.main()->pianoKey(24)->fill(), QColor(Qt::red));
        QTest::mouseRelease(game.main()->pianoKey(24), Qt::RightButton);
        QCOMPARE(game.main()->pianoKey(24)->fill(), QColor(Qt::black));
        QTest::mouseClick(game.main()->pianoKey(14), Qt::LeftButton);
        QCOMPARE(Shorts(game.trace()),
                 QStringList({"short 90 4B 64", "short 80 4B 7F", "short 90 4C 64", "short 80 4C 7F"}));
    }

    void menuHintClipAndClock()
    {
        GameBench game;
        QTest::mouseClick(game.main()->hintButton(), Qt::LeftButton);
        QVERIFY(game.hint()->isVisible());
        game.main()->difficultyEntry()->trigger();
        QVERIFY(game.difficulty()->isVisible());
        game.main()->instrumentEntry()->trigger();
        QVERIFY(game.instruments()->isVisible());
        game.trace().clear();
        QTest::mouseClick(game.main()->creditLabel(), Qt::LeftButton);
        QTest::mouseClick(game.main()->creditLabel(), Qt::LeftButton);
        QCOMPARE(game.trace().texts(), QStringList({"clip", "clip"}));
        game.main()->onClockTick();
        QCOMPARE(game.main()->clockStatusBar()->currentMessage(),
                 game::DateTimeText(game.bench().now(), QLocale::system()));
    }

    // ---- Instrument --------------------------------------------------------------------------

    void instrumentGoesToBothChannels()
    {
        GameBench game;
        game.trace().clear();
        QTest::keyClick(game.instruments()->instrumentList(), Qt::Key_End);
        QCOMPARE(game.instruments()->instrumentList()->currentText(), QStringLiteral("Gun Shot"));
        QTest::keyClick(game.instruments()->instrumentList(), Qt::Key_Home);
        QCOMPARE(game.trace().texts(),
                 QStringList({"short C0 7F", "short C1 7F", "short C0 00", "short C1 00"}));
    }

    // ---- Device switch -----------------------------------------------------------------------

    void deviceSwitchCarriesTheChallenge()
    {
        GameBench game;
        game.tuning()->slider(1)->setValue(4);
        game.trace().clear();
        game.main()->deviceList()->setCurrentIndex(1);
        emit game.main()->deviceList()->activated(1);
        QCOMPARE(game.trace().texts(),
                 QStringList({"short B9 78 00", "close 0", "open 1 -> ok", "reset",
                              "long F0 41 10 42 12 40 00 7F 00 41 F7", "sleep 200", "sleep 300",
                              ScaleTuningTrace(TuningData(game, {0, 4})), "sleep 10"}));
        QCOMPARE(game.main()->selectedDeviceId(), 1);
    }

    void deviceSwitchToADeviceThatWillNotOpen()
    {
        GameBench game(
            {{.name = "Test Synth A"},
             {.name = "Busy", .openResults = std::deque<output::Result>(6, output::Result::Busy)}});
        game.trace().clear();
        game.main()->deviceList()->setCurrentIndex(1);
        emit game.main()->deviceList()->activated(1);
        QStringList expected = {"short B9 78 00", "close 0", "open 1 -> busy"};
        for (int retry = 0; retry < 5; ++retry)
            expected << "sleep 500"
                     << "open 1 -> busy";
        expected << "box ＭＩＤＩデバイスが開けません"
                 << "sleep 200"
                 << "sleep 300"
                 << "sleep 10"
                 << "box error3";
        QCOMPARE(game.trace().texts(), expected);
        QCOMPARE(int(game.program().output().lastResult()), int(output::Result::NotOpen));
    }

    void aDeviceThatCameBackGetsTheChallengeBeforeTheNextNote()
    {
        GameBench game;
        game.tuning()->slider(1)->setValue(4);
        game.trace().clear();
        game.bench().devices()[0].comesBack = true;
        GameBench::keyDown(game.main(), Qt::Key_A);
        GameBench::keyUp(game.main(), Qt::Key_A);
        QCOMPARE(game.trace().texts(),
                 QStringList({"reconnect 0", "long F0 41 10 42 12 40 00 7F 00 41 F7", "sleep 200",
                              "sleep 300", ScaleTuningTrace(TuningData(game, {0, 4})), "sleep 10",
                              "short 90 35 64", "short 80 35 7F"}));
        QVERIFY(game.main()->clockStatusBar()->currentMessage().contains(QStringLiteral("戻った")));
        // The clock comes back after a while.
        game.bench().advance(10000);
        game.main()->onClockTick();
        QVERIFY(!game.main()->clockStatusBar()->currentMessage().contains(QStringLiteral("戻った")));
    }
};

QTEST_MAIN(TestPlay)
#include "test_play.moc"
