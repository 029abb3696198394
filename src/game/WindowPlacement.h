// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window goes for the bounds the settings file holds, whatever numbers it holds.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <vector>

namespace game {

// A window's frame position and inside size, as the settings file keeps them.
struct WindowBounds {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const WindowBounds&) const = default;
};

// The bounds to give a window for `wanted`: its inside at least `minimum` and no larger than the
// screen holds within `frame` (title bar and borders), the whole frame moved onto the screen it
// overlaps most (the first screen when it overlaps none). `screens` are the screens' usable areas,
// the primary first; without any, `wanted` stands.
WindowBounds PlacedOnScreen(const WindowBounds& wanted, QSize minimum, QMargins frame,
                            const std::vector<QRect>& screens);

} // namespace game
