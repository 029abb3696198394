// SPDX-License-Identifier: GPL-3.0-or-later
// The computer keys that play the keyboard.
#include "game/KeyMap.h"

#include <QtTest>

using Kind = game::KeyRole::Kind;

class TestKeys : public QObject {
    Q_OBJECT

private slots:
    // The home and upper rows, left to right as a player's hands find them, play F3 ... C5 in turn,
    // by their places (X11 key codes) and, where no key code comes with the event, by their
    // characters.
    void physicalRowsPlayTwentyNotesInTurn_data()
    {
        QTest::addColumn<QList<unsigned>>("natives");
        QTest::addColumn<QList<int>>("qtKeys");
        QTest::newRow("by place") << QList<unsigned>{38, 25, 39, 26, 40, 27, 41, 42, 29, 43,
                                                     30, 44, 45, 32, 46, 33, 47, 34, 48, 51}
                                  << QList<int>(20, 0);
        QTest::newRow("by character")
            << QList<unsigned>(20, 0)
            << QList<int>{Qt::Key_A, Qt::Key_W,         Qt::Key_S,  Qt::Key_E,     Qt::Key_D,
                          Qt::Key_R, Qt::Key_F,         Qt::Key_G,  Qt::Key_Y,     Qt::Key_H,
                          Qt::Key_U, Qt::Key_J,         Qt::Key_K,  Qt::Key_O,     Qt::Key_L,
                          Qt::Key_P, Qt::Key_Semicolon, Qt::Key_At, Qt::Key_Colon, Qt::Key_BracketRight};
    }
    void physicalRowsPlayTwentyNotesInTurn()
    {
        QFETCH(QList<unsigned>, natives);
        QFETCH(QList<int>, qtKeys);
        for (int i = 0; i < 20; ++i) {
            const game::KeyRole role = game::RoleOfKey(natives[i], qtKeys[i]);
            QVERIFY2(role.kind == Kind::Note, qPrintable(QString::number(i)));
            QCOMPARE(role.note, 53 + i);
        }
    }

    // The space bar is the pedal; a key off the rows plays nothing. A place given decides alone:
    // on another layout the character under a finger is not the Japanese layout's.
    void otherKeysAreThePedalOrNothing_data()
    {
        QTest::addColumn<unsigned>("native");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("note");
        QTest::newRow("space by place") << 65u << int(Qt::Key_Space) << int(Kind::Pedal) << 0;
        QTest::newRow("space by character") << 0u << int(Qt::Key_Space) << int(Kind::Pedal) << 0;
        QTest::newRow("place A, character Q") << 38u << int(Qt::Key_Q) << int(Kind::Note) << 53;
        QTest::newRow("place Z") << 52u << int(Qt::Key_Z) << int(Kind::Nothing) << 0;
        QTest::newRow("place past the rows, character A")
            << 300u << int(Qt::Key_A) << int(Kind::Nothing) << 0;
        QTest::newRow("character Z") << 0u << int(Qt::Key_Z) << int(Kind::Nothing) << 0;
        QTest::newRow("character 1") << 0u << int(Qt::Key_1) << int(Kind::Nothing) << 0;
    }
    void otherKeysAreThePedalOrNothing()
    {
        QFETCH(unsigned, native);
        QFETCH(int, qtKey);
        QFETCH(int, kind);
        QFETCH(int, note);
        const game::KeyRole role = game::RoleOfKey(native, qtKey);
        QCOMPARE(int(role.kind), kind);
        if (role.kind == Kind::Note)
            QCOMPARE(role.note, note);
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "test_keys.moc"
