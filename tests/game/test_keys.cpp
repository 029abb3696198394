// SPDX-License-Identifier: GPL-3.0-or-later
// The computer keys that play the keyboard.
#include "game/KeyMap.h"
#include "ui/VirtualKeys.h"

#include <QtTest>

class TestKeys : public QObject {
    Q_OBJECT

private slots:
    void virtualKeyOf_data()
    {
        QTest::addColumn<unsigned>("native");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("expected");
        QTest::newRow("X11 A") << 38u << int(Qt::Key_A) << 0x41;
        QTest::newRow("X11 position wins over the character") << 38u << int(Qt::Key_Q) << 0x41;
        QTest::newRow("X11 space") << 65u << int(Qt::Key_Space) << 0x20;
        QTest::newRow("X11 Z plays nothing") << 52u << int(Qt::Key_Z) << 0;
        QTest::newRow("X11 code past the table") << 300u << int(Qt::Key_A) << 0;
        QTest::newRow("Qt A") << 0u << int(Qt::Key_A) << 0x41;
        QTest::newRow("Qt Z, unmapped letter") << 0u << int(Qt::Key_Z) << 0x5A;
        QTest::newRow("Qt space") << 0u << int(Qt::Key_Space) << 0x20;
        QTest::newRow("Qt semicolon") << 0u << int(Qt::Key_Semicolon) << 0xBB;
        QTest::newRow("Qt at") << 0u << int(Qt::Key_At) << 0xC0;
        QTest::newRow("Qt colon") << 0u << int(Qt::Key_Colon) << 0xBA;
        QTest::newRow("Qt ]") << 0u << int(Qt::Key_BracketRight) << 0xDD;
        QTest::newRow("Qt digit") << 0u << int(Qt::Key_1) << 0;
    }
    void virtualKeyOf()
    {
        QFETCH(unsigned, native);
        QFETCH(int, qtKey);
        QFETCH(int, expected);
        QCOMPARE(ui::VirtualKeyOf(native, qtKey), expected);
    }

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
            const auto index = game::MappedKeyIndex(ui::VirtualKeyOf(natives[i], qtKeys[i]));
            QVERIFY2(index.has_value(), qPrintable(QString::number(i)));
            QCOMPARE(game::NoteOfMappedKey(*index), 53 + i);
        }
        QVERIFY(!game::MappedKeyIndex(game::kVkSpace));
        QVERIFY(!game::MappedKeyIndex(0x5A));
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "test_keys.moc"
