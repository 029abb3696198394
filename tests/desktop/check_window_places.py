#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Where the running program's windows stand, in the screen's pixels: each window's frame as the X
# server and the window manager have it, and its controls as a screen reader learns them through
# AT-SPI (in the program's pixels, multiplied by its scale; clipped to their window, so that rows
# scrolled out of sight do not count). Prints every frame. Exits 1, naming windows and rectangles,
# where a window opened later covers the keys, a slider or 答え合わせ, or a control of the window it
# was opened from, and where two windows that must stand apart have controls over each other.
# Usage: check_window_places.py <scale> <apart: title,title,... or -> <opened title>:<opened from>...
import functools
import itertools
import math
import operator
import re
import subprocess
import sys
import time

import pyatspi

KEYS = {"F3", "F#3", "G3", "G#3", "A3", "A#3", "B3", "C4", "C#4", "D4", "D#4", "E4",
        "F4", "F#4", "G4", "G#4", "A4", "A#4", "B4", "C5", "C#5", "D5", "D#5", "E5"}
# What a player reads or works; a table counts as one (its cells are many and lie within it).
CONTROLS = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_COMBO_BOX,
            pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_LABEL, pyatspi.ROLE_TEXT, pyatspi.ROLE_IMAGE,
            pyatspi.ROLE_TABLE, pyatspi.ROLE_MENU_BAR}


class Rect:
    """Left and top included, right and bottom not."""

    def __init__(self, left, top, right, bottom):
        self.left, self.top, self.right, self.bottom = left, top, right, bottom

    def __and__(self, other):
        return Rect(max(self.left, other.left), max(self.top, other.top),
                    min(self.right, other.right), min(self.bottom, other.bottom))

    def __or__(self, other):
        return Rect(min(self.left, other.left), min(self.top, other.top),
                    max(self.right, other.right), max(self.bottom, other.bottom))

    def empty(self):
        return self.right <= self.left or self.bottom <= self.top

    def __str__(self):
        return f"({self.left},{self.top})-({self.right},{self.bottom})"


def output(*command):
    return subprocess.run(command, capture_output=True, text=True, check=False).stdout


def x_frame(title):
    """The window's frame: its inside (xwininfo) grown by the frame the window manager drew."""
    window = output("xdotool", "search", "--all", "--onlyvisible", "--name", f"^{title}$").split()[0]
    info = output("xwininfo", "-id", window)
    number = {key: int(re.search(rf"{key}:\s+(-?\d+)", info).group(1))
              for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")}
    extents = re.findall(r"\d+", output("xprop", "-id", window, "_NET_FRAME_EXTENTS").split("=")[-1])
    left, right, top, bottom = (int(e) for e in extents) if len(extents) == 4 else (0, 0, 0, 0)
    x, y = number["Absolute upper-left X"], number["Absolute upper-left Y"]
    return Rect(x - left, y - top, x + number["Width"] + right, y + number["Height"] + bottom)


def screen_rect(node, scale):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return Rect(math.floor(extents.x * scale), math.floor(extents.y * scale),
                math.ceil((extents.x + extents.width) * scale),
                math.ceil((extents.y + extents.height) * scale))


def controls(node, inside, scale):
    """(role, name, rectangle) of every control below `node`, clipped to `inside`."""
    found = []
    for child in node:
        if child is None:
            continue
        if child.getRole() in CONTROLS:
            rect = screen_rect(child, scale) & inside
            if not rect.empty():
                found.append((child.getRole(), child.name or child.getRoleName(), rect))
        if child.getRole() != pyatspi.ROLE_TABLE:
            found += controls(child, inside, scale)
    return found


def kept_controls(held):
    """The keys (as one), the twelve sliders and 答え合わせ; None where one is missing."""
    keys = [rect for role, name, rect in held["Velmora"] if role == pyatspi.ROLE_PUSH_BUTTON and name in KEYS]
    sliders = [(f"slider {name}", rect) for role, name, rect in held["調整"] if role == pyatspi.ROLE_SLIDER]
    answer = [(name, rect) for role, name, rect in held["調整"]
              if role == pyatspi.ROLE_PUSH_BUTTON and name == "答え合わせ"]
    if len(keys) != 24 or len(sliders) != 12 or len(answer) != 1:
        return None
    return [("the keys", functools.reduce(operator.or_, keys))] + sliders + answer


def windows(titles, seconds=20):
    """The program's frames with these titles, once AT-SPI has them all."""
    deadline = time.monotonic() + seconds
    while True:
        frames = {}
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "velmora":
                frames = {w.name: w for w in app if w is not None and w.getRole() == pyatspi.ROLE_FRAME}
        if all(title in frames for title in titles) or time.monotonic() > deadline:
            return frames
        time.sleep(0.1)


def main():
    scale = float(sys.argv[1])
    apart = [] if sys.argv[2] == "-" else sys.argv[2].split(",")
    opened = [argument.split(":") for argument in sys.argv[3:]]
    titles = ["Velmora", "調整"] + [title for title, _ in opened]
    frames = windows(titles)
    missing = [title for title in titles if title not in frames]
    if missing:
        print("not in the accessibility tree:", missing)
        return 1
    outside = {title: x_frame(title) for title in titles}
    inside = {title: screen_rect(frames[title], scale) for title in titles}
    held = {title: controls(frames[title], inside[title], scale) for title in titles}
    for title in titles:
        print(f"{title}: frame {outside[title]}")
    kept = kept_controls(held)
    if kept is None:
        print("the keys, the sliders or 答え合わせ are not in the accessibility tree")
        return 1
    faults = []
    for title, opener in opened:
        frame = outside[title]
        covered = [name for name, rect in kept if not (frame & rect).empty()]
        covered += [f"{opener}'s {name}" for _, name, rect in held[opener] if not (frame & rect).empty()]
        if covered:
            faults.append(f"{title} {frame} covers {', '.join(covered)}")
    for first, second in itertools.combinations(apart, 2):
        over = [f"{a} {ra} and {b} {rb}"
                for (_, a, ra), (_, b, rb) in itertools.product(held[first], held[second])
                if not (ra & rb).empty()]
        if over:
            faults.append(f"{len(over)} controls of {first} and {second} overlap, such as {over[0]}")
    if faults:
        print("\n".join(faults))
    return 1 if faults else 0


sys.exit(main())
