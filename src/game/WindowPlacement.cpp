// SPDX-License-Identifier: GPL-3.0-or-later
// Window placement in 64-bit arithmetic: the settings file may hold any 32-bit values.
#include "game/WindowPlacement.h"

#include <algorithm>

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

} // namespace game
