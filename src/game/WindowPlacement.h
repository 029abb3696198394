// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window goes: the main window for the bounds the settings file holds, whatever numbers it
// holds; a window opened later among the windows already on screen.
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

// A window about to open: its frame at its own size and at its smallest, where its frame's top-left
// corner would go on an empty screen, and that screen's usable area.
struct OpeningWindow {
    QSize wanted;
    QSize smallest;
    QPoint preferred;
    QRect area;
};

// The frame for an opening window among the frames of the windows already open (`open`) and what
// must stay in sight (`kept`: the keys, the sliders, the window the player was using). Of the
// places in the area, the one that covers the least of `kept` and the `gap` around it, then of
// `open`, then of the gap around those; of those the largest, up to `wanted` and down to
// `smallest`; of those the nearest to `preferred`.
QRect FrameAmong(const OpeningWindow& opening, const std::vector<QRect>& open, const std::vector<QRect>& kept,
                 int gap);

} // namespace game
