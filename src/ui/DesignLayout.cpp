// SPDX-License-Identifier: GPL-3.0-or-later
// Controls in proportion to the window's size; windows placed within the screen, beside each other.
#include "ui/DesignLayout.h"

#include "game/WindowPlacement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

// A window the player sees: shown, not minimized, a window or a dialog (not a menu or a tooltip).
bool IsOnScreen(const QWidget* window)
{
    return window->isVisible() && !window->isMinimized() &&
           (window->windowType() == Qt::Window || window->windowType() == Qt::Dialog);
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

// Places `window` for one opening: `preferred` and `kept` from the program, its own size as it
// first opened (or larger, as the player made it).
void PlaceAmongOthers(QWidget* window, QSize ownSize, QPoint preferred, std::vector<QRect> kept)
{
    const QMargins frame = FrameMargins(window);
    std::vector<QRect> open;
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != window && IsOnScreen(other))
            open.push_back(FrameRect(other));
    if (const QWidget* used = QApplication::activeWindow(); used && used != window && IsOnScreen(used))
        kept.push_back(FrameRect(used));
    const game::OpeningWindow opening{
        .wanted = ownSize.expandedTo(window->size()).grownBy(frame),
        .smallest = window->minimumSize().expandedTo(window->minimumSizeHint()).grownBy(frame),
        .preferred = preferred,
        .area = UsableAreaAround(preferred)};
    const QRect placed = game::FrameAmong(opening, open, kept, kGap);
    window->resize(placed.size().shrunkBy(frame));
    window->move(placed.topLeft());
    // Moved while it opens, a window first shown is placed by its inside (Qt has not learnt its
    // frame yet): its frame is what goes there.
    if (window->frameGeometry() == window->geometry() && window->windowHandle())
        window->windowHandle()->setFramePosition(placed.topLeft());
}

// Places its window each time it opens: the first time near where the program prefers, later near
// where it was.
class OpeningPlacer : public QObject {
public:
    OpeningPlacer(QWidget* window, std::function<Opening()> where)
        : QObject(window), window_(window), where_(std::move(where))
    {
    }

protected:
    // The show event comes before the window is mapped: it opens where it is placed.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            Opening opening = where_();
            if (ownSize_.isEmpty())
                ownSize_ = window_->size();
            else
                opening.preferred = window_->pos();
            PlaceAmongOthers(window_, ownSize_, opening.preferred, std::move(opening.kept));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* window_;
    std::function<Opening()> where_;
    QSize ownSize_;
};

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

QPoint BesideRow(const QWidget* window, const std::vector<const QWidget*>& row)
{
    QRect placed;
    for (const QWidget* neighbour : row)
        placed |= FrameRect(neighbour);
    const QRect area = UsableAreaAround(FrameRect(row.front()).center());
    const int width = FrameRect(window).width();
    const int right = placed.right() + 1 + kGap;
    return {right + width <= area.right() + 1 ? right : placed.left() - kGap - width, placed.top()};
}

void PlaceBesideRow(QWidget* window, const std::vector<const QWidget*>& row)
{
    PlaceOnScreen(window, BesideRow(window, row), window->size());
}

QPoint BelowOf(const QWidget* neighbour)
{
    const QRect frame = FrameRect(neighbour);
    return {frame.left(), frame.bottom() + 1 + kGap};
}

QRect ScreenRect(const std::vector<const QWidget*>& controls)
{
    QRect united;
    for (const QWidget* control : controls)
        united |= QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
    return united;
}

void PlaceWhenOpened(QWidget* window, std::function<Opening()> where)
{
    window->installEventFilter(new OpeningPlacer(window, std::move(where)));
}

void KeepPlaceWhenHidden(QWidget* control)
{
    QSizePolicy policy = control->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    control->setSizePolicy(policy);
}

} // namespace ui
