// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window opened later goes among the windows on screen: every expected frame below was
// worked out by hand from the rule (the least of what is kept covered, then of the open windows,
// then of the gaps around them; then the largest; then the nearest to the preferred corner).
#include "game/WindowPlacement.h"

#include <QtTest>

using Rects = std::vector<QRect>;
Q_DECLARE_METATYPE(Rects)

class TestPlacement : public QObject {
    Q_OBJECT
private slots:
    void openingWindowFrame_data()
    {
        QTest::addColumn<Rects>("open");
        QTest::addColumn<Rects>("kept");
        QTest::addColumn<QPoint>("preferred");
        QTest::addColumn<QSize>("smallest");
        QTest::addColumn<QRect>("expected");
        // A 1000 x 700 screen, a window of 300 x 200 that may shrink to 200 x 100, a 10 px gap.
        QTest::newRow("empty screen: where it prefers, at its size")
            << Rects{} << Rects{} << QPoint(100, 100) << QSize(200, 100) << QRect(100, 100, 300, 200);
        // Below the open window (260 px away) is nearer than right of it (360 px away).
        QTest::newRow("preferred place taken: the nearest free one, a gap away")
            << Rects{{50, 50, 400, 300}} << Rects{} << QPoint(100, 100) << QSize(200, 100)
            << QRect(100, 360, 300, 200);
        // Right of the open window there is only 90 px; below it, 1000 - 300 = 700 is the
        // rightmost left edge and 310 the first free row.
        QTest::newRow("against the screen's right edge")
            << Rects{{500, 0, 400, 300}} << Rects{} << QPoint(910, 0) << QSize(300, 200)
            << QRect(700, 310, 300, 200);
        // 700 - 560 = 140 rows are free below the wide window and its gap: shrunk to them, neither
        // over the window nor in its gap.
        QTest::newRow("no room at its size: shrunk rather than covering")
            << Rects{{0, 0, 1000, 550}} << Rects{} << QPoint(100, 100) << QSize(200, 100)
            << QRect(100, 560, 300, 140);
        // Every place covers the open window: the smallest frame, below the kept part and its gap.
        QTest::newRow("screen full: the least covered, never what is kept")
            << Rects{{0, 0, 1000, 700}} << Rects{{0, 0, 1000, 400}} << QPoint(500, 0) << QSize(200, 200)
            << QRect(500, 410, 200, 200);
        // No 200-row frame avoids rows 0 ... 599: the lowest covers 100 of its rows.
        QTest::newRow("nothing avoids what is kept: the least of it")
            << Rects{{0, 0, 1000, 700}} << Rects{{0, 0, 1000, 600}} << QPoint(0, 0) << QSize(200, 200)
            << QRect(0, 500, 200, 200);
        // What is kept counts before the open windows: over the other window at the smallest size,
        // clear of the kept one's gap (it ends at 509).
        QTest::newRow("the window in use is kept, another may be covered")
            << Rects{{0, 0, 500, 700}, {500, 0, 500, 700}} << Rects{{0, 0, 500, 700}} << QPoint(0, 0)
            << QSize(200, 100) << QRect(510, 0, 200, 100);
    }
    void openingWindowFrame()
    {
        QFETCH(Rects, open);
        QFETCH(Rects, kept);
        QFETCH(QPoint, preferred);
        QFETCH(QSize, smallest);
        QFETCH(QRect, expected);
        const game::OpeningWindow opening{
            .wanted = {300, 200}, .smallest = smallest, .preferred = preferred, .area = {0, 0, 1000, 700}};
        QCOMPARE(game::FrameAmong(opening, open, kept, 10), expected);
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "test_placement.moc"
