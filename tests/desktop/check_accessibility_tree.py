#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader (Orca) reads of the running program through AT-SPI: the adjustment window
# and the main window as windows (frames), twelve sliders named C ... B that take a value, and the
# keyboard's 24 keys as buttons named for their notes. Exits 1 with what is missing.
import sys
import time

import pyatspi

PITCH_CLASSES = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]
KEYS = ["F3", "F#3", "G3", "G#3", "A3", "A#3", "B3", "C4", "C#4", "D4", "D#4", "E4",
        "F4", "F#4", "G4", "G#4", "A4", "A#4", "B4", "C5", "C#5", "D5", "D#5", "E5"]


def application(name, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name and app.childCount >= 2:
                return app
        time.sleep(0.2)
    return None


def descendants(node, role):
    found = []
    for child in node:
        if child is None:
            continue
        if child.getRole() == role:
            found.append(child)
        found += descendants(child, role)
    return found


def main():
    app = application("velmora", 30)
    if app is None:
        print("velmora is not in the accessibility tree")
        return 1
    frames = {window.name: window for window in app
              if window is not None and window.getRole() == pyatspi.ROLE_FRAME}
    faults = [f"no window {name}" for name in ("調整", "Velmora") if name not in frames]
    if faults:
        print("; ".join(faults), "; windows:", [(c.name, c.getRoleName()) for c in app])
        return 1
    sliders = descendants(frames["調整"], pyatspi.ROLE_SLIDER)
    if [slider.name for slider in sliders] != PITCH_CLASSES:
        faults.append(f"sliders {[slider.name for slider in sliders]}")
    else:
        value = sliders[0].queryValue()
        value.currentValue = 5  # the easiest level: a step is a cent
        deadline = time.monotonic() + 5
        while value.currentValue != 5 and time.monotonic() < deadline:
            time.sleep(0.1)
        if value.currentValue != 5:
            faults.append(f"slider C did not take 5 cents: {value.currentValue}")
    keys = [button.name for button in descendants(frames["Velmora"], pyatspi.ROLE_PUSH_BUTTON)]
    faults += [f"no key {key}" for key in KEYS if keys.count(key) != 1]
    if faults:
        print("\n".join(faults))
        return 1
    return 0


sys.exit(main())
