#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader (Orca) reads of the running program through AT-SPI: the adjustment window
# and the main window as windows (frames), twelve sliders named C ... B that take a value and say it
# in cents, the keyboard's 24 keys as buttons named for their notes, the device list named, the
# results window's values named for their note and column, the hint's picture and text and the
# history's tables named. Exits 1 with what is missing.
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


def wait_for(condition, seconds=5):
    deadline = time.monotonic() + seconds
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.1)
    return condition()


def frame(app, name, seconds=10):
    found = []
    wait_for(lambda: found.extend(w for w in app if w is not None and w.name == name) or found, seconds)
    return found[0] if found else None


def press(node, name, role=pyatspi.ROLE_PUSH_BUTTON):
    """Presses the named button or menu item through its action, as a screen reader's user does."""
    targets = [child for child in descendants(node, role) if child.name == name]
    if not targets:
        return False
    action = targets[0].queryAction()
    return action.doAction(0)


def labelled_name(node):
    """A control's name as Orca reads it: its label's, else its own."""
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY and relation.getNTargets():
            return relation.getTarget(0).name
    return node.name


def names(node, role):
    return [child.name for child in descendants(node, role)]


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
        if sliders[0].description != "0 セント":
            faults.append(f"slider C says {sliders[0].description!r}, not 0 セント")
        value.currentValue = 5  # the easiest level: a step is a cent
        if not wait_for(lambda: value.currentValue == 5):
            faults.append(f"slider C did not take 5 cents: {value.currentValue}")
        if not wait_for(lambda: sliders[0].description == "+5 セント"):
            faults.append(f"slider C at 5 cents says {sliders[0].description!r}, not +5 セント")
    keys = names(frames["Velmora"], pyatspi.ROLE_PUSH_BUTTON)
    faults += [f"no key {key}" for key in KEYS if keys.count(key) != 1]
    lists = [labelled_name(combo) for combo in descendants(frames["Velmora"], pyatspi.ROLE_COMBO_BOX)]
    if "音源" not in lists:
        faults.append(f"device list labelled {lists}")
    faults += results_faults(app, frames["調整"])
    faults += hint_faults(app, frames["Velmora"])
    faults += history_faults(app, frames["Velmora"])
    if faults:
        print("\n".join(faults))
        return 1
    return 0


# The answer check opens the results window: each value is named for its note and its column.
def results_faults(app, adjustment):
    if not press(adjustment, "答え合わせ"):
        return ["no answer button"]
    results = frame(app, "正解表示")
    if results is None:
        return ["no results window after the answer check"]
    labels = names(results, pyatspi.ROLE_LABEL)
    expected = [f"{pitch} {column} " for column in ("貴方の調律", "正解の調律") for pitch in PITCH_CLASSES]
    missing = [name for name in expected if not any(label.startswith(name) and label.endswith("セント")
                                                    for label in labels)]
    return [f"results: no value named {missing}"] if missing else []


def hint_faults(app, main):
    if not press(main, "ヒント(H)"):
        return ["no hint button"]
    hint = frame(app, "ヒント")
    if hint is None:
        return ["no hint window"]
    found = [child.name for child in descendants(hint, pyatspi.ROLE_IMAGE) + descendants(hint, pyatspi.ROLE_TEXT)]
    missing = [name for name in ("調律の順序の図", "調律の順序の説明") if name not in found]
    return [f"hint: no {missing} among {found}"] if missing else []


def history_faults(app, main):
    if not press(main, "成績の推移(K)…", pyatspi.ROLE_MENU_ITEM):
        return ["no history menu entry"]
    history = frame(app, "成績の推移")
    if history is None:
        return ["no history window"]
    tables = names(history, pyatspi.ROLE_TABLE)
    expected = ["挑戦の一覧", "選んだ挑戦の音名ごとの調律", "選んだ挑戦の調律の順序とうなり"]
    return [f"history tables: {tables}"] if sorted(tables) != sorted(expected) else []


sys.exit(main())
