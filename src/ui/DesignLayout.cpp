// SPDX-License-Identifier: GPL-3.0-or-later
// Controls in proportion to the window's size; windows placed within the screen, side by side.
#include "ui/DesignLayout.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace ui {
namespace {

// A window may shrink to this share of its designed size before its controls would overlap.
constexpr double kSmallestShare = 0.7;
// Space between windows placed side by side.
constexpr int kGap = 6;
// A frame before any window was drawn by the window manager: room for a title bar and thin borders
// (a pixel, as most window managers draw them: wider ones would push the third of three windows off
// a 1024-pixel screen).
const QMargins kFrameAllowance(1, 30, 1, 1);

// The frame the window manager drew around the window when it was last shown; null before.
QMargins DrawnFrame(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect inside = window->geometry();
    return {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
            frame.bottom() - inside.bottom()};
}

// A window's frame: its position and its size with the frame around it.
QRect FrameRect(const QWidget* window)
{
    return {window->pos(), window->size().grownBy(FrameMargins(window))};
}

QRect UsableAreaAround(QPoint point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(point, QSize(1 << 16, 1 << 16));
}

// The largest frame from `corner` towards the bottom right, at most `wanted`, that meets none of
// `taken` and stays in `area`: each frame in the way cuts it off at its left edge, or where that
// would leave it narrower than `smallest`, at its top edge. Empty where none is `smallest` large.
QRect FreeFrameAt(QPoint corner, QSize wanted, QSize smallest, const QRect& area,
                  const std::vector<QRect>& taken)
{
    QRect frame(corner, wanted);
    frame &= area;
    for (bool cut = true; cut && frame.width() >= smallest.width() && frame.height() >= smallest.height();) {
        cut = false;
        for (const QRect& other : taken) {
            if (!frame.intersects(other))
                continue;
            if (other.left() - corner.x() >= smallest.width())
                frame.setRight(other.left() - 1);
            else if (other.top() - corner.y() >= smallest.height())
                frame.setBottom(other.top() - 1);
            else
                return {};
            cut = true;
        }
    }
    return frame.width() >= smallest.width() && frame.height() >= smallest.height() ? frame : QRect();
}

} // namespace

DesignLayout::DesignLayout(QWidget* container, QSize designed) : QLayout(container), designed_(designed)
{
    setContentsMargins(0, 0, 0, 0);
    for (QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            items_.push_back({std::make_unique<QWidgetItem>(child), child->geometry()});
}

DesignLayout::~DesignLayout() = default;

void DesignLayout::addItem(QLayoutItem* item)
{
    items_.push_back({std::unique_ptr<QLayoutItem>(item), item->geometry()});
}

QLayoutItem* DesignLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? items_[std::size_t(index)].item.get() : nullptr;
}

QLayoutItem* DesignLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = items_[std::size_t(index)].item.release();
    items_.erase(items_.begin() + index);
    return item;
}

// Small enough for a small screen, large enough that a control that keeps its height still ends
// inside the window: at a share s of the designed height H, a control at y of height h needs
// y * s + h <= H * s.
QSize DesignLayout::minimumSize() const
{
    QSize smallest = (QSizeF(designed_) * kSmallestShare).toSize();
    const int height = designed_.height();
    for (const Placed& placed : items_) {
        const QRect& d = placed.designed;
        if (!(placed.item->expandingDirections() & Qt::Vertical) && d.y() < height)
            smallest.setHeight(
                std::max(smallest.height(), (d.height() * height + height - d.y() - 1) / (height - d.y())));
    }
    return smallest.boundedTo(designed_);
}

// Left edges, widths and top edges follow the container's size; heights only where a control may
// grow (the piano keys): a button or a slider keeps the height its text and style need.
void DesignLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const double across = double(rect.width()) / designed_.width();
    const double down = double(rect.height()) / designed_.height();
    for (const Placed& placed : items_) {
        const QRect& d = placed.designed;
        const bool grows = placed.item->expandingDirections() & Qt::Vertical;
        placed.item->setGeometry(QRect(rect.x() + qRound(d.x() * across), rect.y() + qRound(d.y() * down),
                                       qRound(d.width() * across),
                                       grows ? qRound(d.height() * down) : d.height()));
    }
}

void KeepDesign(QWidget* window)
{
    new DesignLayout(window, window->size());
}

QMargins FrameMargins(const QWidget* window)
{
    if (const QMargins drawn = DrawnFrame(window); !drawn.isNull())
        return drawn;
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other->windowType() == Qt::Window)
            if (const QMargins drawn = DrawnFrame(other); !drawn.isNull())
                return drawn;
    return kFrameAllowance;
}

void PlaceOnScreen(QWidget* window, QPoint frameTopLeft, QSize size)
{
    const QMargins frame = FrameMargins(window);
    const QRect area = UsableAreaAround(frameTopLeft);
    const QSize room = area.size().shrunkBy(frame);
    const QSize inside = size.boundedTo(room).expandedTo(window->minimumSize());
    const QSize outside = inside.grownBy(frame);
    const int left =
        std::clamp(frameTopLeft.x(), area.left(), std::max(area.left(), area.right() + 1 - outside.width()));
    const int top =
        std::clamp(frameTopLeft.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outside.height()));
    window->move(left, top);
    window->resize(inside);
}

void PlaceBesideRow(QWidget* window, const std::vector<const QWidget*>& row)
{
    QRect placed;
    for (const QWidget* neighbour : row)
        placed |= FrameRect(neighbour);
    const QRect area = UsableAreaAround(FrameRect(row.front()).center());
    const int width = FrameRect(window).width();
    const int right = placed.right() + 1 + kGap;
    const int left = right + width <= area.right() + 1 ? right : placed.left() - kGap - width;
    PlaceOnScreen(window, {left, placed.top()}, window->size());
}

QPoint BelowOf(const QWidget* neighbour)
{
    const QRect frame = FrameRect(neighbour);
    return {frame.left(), frame.bottom() + 1 + kGap};
}

bool PlaceClearOf(QWidget* window, QPoint preferred, const std::vector<const QWidget*>& others)
{
    const QMargins frame = FrameMargins(window);
    const QRect area = UsableAreaAround(preferred);
    const QSize wanted = window->size().grownBy(frame);
    const QSize smallest = window->minimumSize().expandedTo(window->minimumSizeHint()).grownBy(frame);
    // Corners to try: the preferred one, the area's, and beside or below each window in the way.
    std::vector<QRect> taken;
    std::vector<int> lefts{preferred.x(), area.left(), area.right() + 1 - wanted.width()};
    std::vector<int> tops{preferred.y(), area.top(), area.bottom() + 1 - wanted.height()};
    for (const QWidget* other : others) {
        const QRect kept = FrameRect(other).adjusted(-kGap, -kGap, kGap, kGap);
        taken.push_back(kept);
        lefts.push_back(kept.right() + 1);
        tops.push_back(kept.bottom() + 1);
        lefts.push_back(kept.left() - wanted.width());
        tops.push_back(kept.top() - wanted.height());
    }
    QRect best;
    auto better = [&](const QRect& a, const QRect& b) {
        const qint64 areaA = qint64(a.width()) * a.height();
        const qint64 areaB = qint64(b.width()) * b.height();
        if (areaA != areaB)
            return areaA > areaB;
        return (a.topLeft() - preferred).manhattanLength() < (b.topLeft() - preferred).manhattanLength();
    };
    for (int left : lefts)
        for (int top : tops) {
            const QPoint corner(std::clamp(left, area.left(), area.right()),
                                std::clamp(top, area.top(), area.bottom()));
            const QRect free = FreeFrameAt(corner, wanted, smallest, area, taken);
            if (!free.isEmpty() && (best.isEmpty() || better(free, best)))
                best = free;
        }
    if (best.isEmpty())
        return false;
    window->move(best.topLeft());
    window->resize(best.size().shrunkBy(frame));
    return true;
}

} // namespace ui
