// SPDX-License-Identifier: GPL-3.0-or-later
// Window placement. The settings file's bounds in 64-bit arithmetic: the file may hold any 32-bit
// values. A window opening among others: every place worth trying, each judged by what it covers.
#include "game/WindowPlacement.h"

#include <algorithm>
#include <tuple>

namespace game {

namespace {

std::int64_t Overlap(std::int64_t start, std::int64_t length, std::int64_t areaStart, std::int64_t areaLength)
{
    const std::int64_t end = std::min(start + std::max<std::int64_t>(length, 0), areaStart + areaLength);
    return std::max<std::int64_t>(end - std::max(start, areaStart), 0);
}

std::int64_t OverlapArea(const WindowBounds& window, QMargins frame, const QRect& screen)
{
    return Overlap(window.left, std::int64_t(window.width) + frame.left() + frame.right(), screen.x(),
                   screen.width()) *
           Overlap(window.top, std::int64_t(window.height) + frame.top() + frame.bottom(), screen.y(),
                   screen.height());
}

// One axis: the inside's length within [minimum, what the area holds besides the frame's two
// sides] (the area winning), the frame's start within the area.
void FitInto(std::int32_t& start, std::int32_t& length, int minimum, int sides, int areaStart, int areaLength)
{
    const int room = std::max(areaLength - sides, 0);
    length = std::clamp(length, std::min(minimum, room), room);
    start = std::int32_t(
        std::clamp<std::int64_t>(start, areaStart, std::int64_t(areaStart) + areaLength - length - sides));
}

std::int64_t AreaOf(const QRect& rect)
{
    return rect.isEmpty() ? 0 : std::int64_t(rect.width()) * rect.height();
}

std::int64_t Covered(const QRect& frame, const std::vector<QRect>& rects)
{
    std::int64_t covered = 0;
    for (const QRect& rect : rects)
        covered += AreaOf(frame & rect);
    return covered;
}

std::vector<QRect> Grown(std::vector<QRect> rects, int by)
{
    for (QRect& rect : rects)
        rect.adjust(-by, -by, by, by);
    return rects;
}

// The mirror image across a vertical and/or a horizontal line through the origin (pixel x goes to
// -1 - x): a frame grown towards the bottom right in the mirror grows towards the left or the top.
QRect Mirrored(const QRect& rect, bool acrossX, bool acrossY)
{
    return {acrossX ? -rect.left() - rect.width() : rect.left(),
            acrossY ? -rect.top() - rect.height() : rect.top(), rect.width(), rect.height()};
}

// A frame of `size` at `corner`, moved onto `area` as far as it fits there.
QRect MovedOnto(QPoint corner, QSize size, const QRect& area)
{
    return {std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())),
            std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())),
            size.width(), size.height()};
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

// The places worth trying, grown from corners towards the bottom right of the (mirrored) screen:
// its edges, the preferred corner and the corner beyond each rectangle in the way; grown as large
// as each set of rectangles to stay clear of allows, and at the window's own and smallest size
// wherever that covers something.
void AddPlaces(const OpeningWindow& opening, const std::vector<std::vector<QRect>>& clearOf, bool acrossX,
               bool acrossY, std::vector<QRect>& places)
{
    const auto mirrored = [&](const QRect& rect) { return Mirrored(rect, acrossX, acrossY); };
    const QRect area = mirrored(opening.area);
    const QPoint preferred = mirrored(QRect(opening.preferred, opening.wanted)).topLeft();
    std::vector<int> lefts{area.left(), preferred.x()};
    std::vector<int> tops{area.top(), preferred.y()};
    std::vector<std::vector<QRect>> sets;
    for (const std::vector<QRect>& set : clearOf) {
        sets.emplace_back();
        for (const QRect& rect : set) {
            sets.back().push_back(mirrored(rect));
            lefts.push_back(sets.back().back().right() + 1);
            tops.push_back(sets.back().back().bottom() + 1);
        }
    }
    const QSize wanted = opening.wanted.boundedTo(area.size()).expandedTo(opening.smallest);
    for (int left : lefts)
        for (int top : tops) {
            const QPoint corner(std::clamp(left, area.left(), area.right()),
                                std::clamp(top, area.top(), area.bottom()));
            for (const std::vector<QRect>& set : sets)
                if (const QRect free = FreeFrameAt(corner, opening.wanted, opening.smallest, area, set);
                    !free.isEmpty())
                    places.push_back(mirrored(free));
            places.push_back(mirrored(MovedOnto(corner, wanted, area)));
            places.push_back(mirrored(MovedOnto(corner, opening.smallest, area)));
        }
}

} // namespace

WindowBounds PlacedOnScreen(const WindowBounds& wanted, QSize minimum, QMargins frame,
                            const std::vector<QRect>& screens)
{
    if (screens.empty())
        return wanted;
    // max_element keeps the first of equals: the primary screen when none is overlapped.
    const QRect& screen =
        *std::max_element(screens.begin(), screens.end(), [&](const QRect& a, const QRect& b) {
            return OverlapArea(wanted, frame, a) < OverlapArea(wanted, frame, b);
        });
    WindowBounds placed = wanted;
    FitInto(placed.left, placed.width, minimum.width(), frame.left() + frame.right(), screen.x(),
            screen.width());
    FitInto(placed.top, placed.height, minimum.height(), frame.top() + frame.bottom(), screen.y(),
            screen.height());
    return placed;
}

QRect FrameAmong(const OpeningWindow& opening, const std::vector<QRect>& open, const std::vector<QRect>& kept,
                 int gap)
{
    if (opening.area.isEmpty())
        return {opening.preferred, opening.wanted};
    std::vector<QRect> margins = Grown(open, gap);
    const std::vector<QRect> keptWithGap = Grown(kept, gap);
    std::vector<QRect> openTouching = open;
    openTouching.insert(openTouching.end(), keptWithGap.begin(), keptWithGap.end());
    margins.insert(margins.end(), keptWithGap.begin(), keptWithGap.end());
    // From the most room left to the others to the least: clear of everything with a gap, then
    // touching the open windows, then over them but clear of what is kept.
    const std::vector<std::vector<QRect>> clearOf{margins, openTouching, keptWithGap};
    std::vector<QRect> places;
    for (bool acrossX : {false, true})
        for (bool acrossY : {false, true})
            AddPlaces(opening, clearOf, acrossX, acrossY, places);
    const auto cost = [&](const QRect& frame) {
        return std::tuple(Covered(frame, keptWithGap), Covered(frame, open), Covered(frame, margins),
                          -AreaOf(frame), (frame.topLeft() - opening.preferred).manhattanLength());
    };
    QRect best = places.front();
    auto bestCost = cost(best);
    for (const QRect& place : places)
        if (const auto placeCost = cost(place); placeCost < bestCost) {
            best = place;
            bestCost = placeCost;
        }
    return best;
}

} // namespace game
