// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' layout: each control where the window's design puts it at the designed size, and in
// proportion at any other size, so that a window made to fit a small screen keeps every control in
// reach and a maximized window grows its content instead of a grey field. And where a window opens:
// within the screen, beside the windows already there.
#pragma once

#include <QLayout>
#include <QRect>

#include <functional>
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

// Where `window`'s frame goes beside a row of windows side by side, top edges level: to the right
// of the row where the screen (the one of the row's first window) has room, else to its left.
QPoint BesideRow(const QWidget* window, const std::vector<const QWidget*>& row);

// Places `window` beside the row (BesideRow), made to fit the screen.
void PlaceBesideRow(QWidget* window, const std::vector<const QWidget*>& row);

// Where a window goes below `neighbour` (its frame), left edges level.
QPoint BelowOf(const QWidget* neighbour);

// The rectangle on the screen that holds all of `controls`.
QRect ScreenRect(const std::vector<const QWidget*>& controls);

// Where a window opened later goes: its frame's top-left corner on an empty screen, and what stays
// in sight (screen rectangles) while it has any other place.
struct Opening {
    QPoint preferred;
    std::vector<QRect> kept;
};

// Places `window` each time it opens, among the program's windows on the screen
// (game::FrameAmong): clear of them where the screen has room, shrunk down to its minimum size if
// need be, else where it covers the least of them; never over what `where` keeps nor over the
// window the player was using while any place avoids them. Opened again, it stays where it was
// while that place is as good as any.
void PlaceWhenOpened(QWidget* window, std::function<Opening()> where);

// Keeps `control` in its window's design while it is hidden: a layout leaves a hidden control where
// it was, so one shown later in a window made smaller would lie outside it.
void KeepPlaceWhenHidden(QWidget* control);

} // namespace ui
