// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' layout: each control where the window's design puts it at the designed size, and in
// proportion at any other size, so that a window made to fit a small screen keeps every control in
// reach and a maximized window grows its content instead of a grey field. And where a window opens:
// within the screen, beside the windows already placed.
#pragma once

#include <QLayout>
#include <QRect>

#include <memory>
#include <vector>

namespace ui {

class DesignLayout : public QLayout {
public:
    // Takes the container's children at their present geometry as the design for `designed`, the
    // container's designed size; the container gets `designed` as its size.
    DesignLayout(QWidget* container, QSize designed);
    ~DesignLayout() override;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(items_.size()); }
    QSize sizeHint() const override { return designed_; }
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Placed {
        std::unique_ptr<QLayoutItem> item;
        QRect designed;
    };
    QSize designed_;
    std::vector<Placed> items_;
};

// Lays out the window's children (those placed by geometry) with a DesignLayout at its present size.
void KeepDesign(QWidget* window);

// A window's frame around its inside: as the window manager draws it once it was shown, before that
// as it draws the program's other windows, before any is shown room for a title bar.
QMargins FrameMargins(const QWidget* window);

// Places a top-level window with its frame's top-left corner at `frameTopLeft` and its inside at
// `size`, both made to fit the screen that holds most of it: never larger than the screen's usable
// area, never beyond its edges.
void PlaceOnScreen(QWidget* window, QPoint frameTopLeft, QSize size);

// Places `window` beside a row of windows side by side, top edges level: to the right of the row
// where the screen (the one of the row's first window) has room, else to its left.
void PlaceBesideRow(QWidget* window, const std::vector<const QWidget*>& row);

// Where a window goes below `neighbour` (its frame), left edges level.
QPoint BelowOf(const QWidget* neighbour);

// Places a top-level window where its frame covers none of `others` (their frames and a gap),
// on the screen around `preferred`: as large as it is up to its own size, at least its minimum
// size, as near to `preferred` as that allows. False, and the window untouched, where no such
// place exists.
bool PlaceClearOf(QWidget* window, QPoint preferred, const std::vector<const QWidget*>& others);

} // namespace ui
