#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program's accessibility tree as a screen reader reads it: a private D-Bus session with the
# AT-SPI bus, an X server (Xvfb), the program, and check_accessibility_tree.py reading the tree.
# Usage: run_accessibility_tree.sh <velmora executable>
set -u
if [ -z "${VELMORA_IN_SESSION:-}" ]; then
    # A session bus of our own: the test never talks to the desktop it runs on.
    VELMORA_IN_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
velmora=$1
here=$(dirname "$0")
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-a11y.XXXXXX")
pids=()
stop_all() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null
        wait "${pids[i]}" 2>/dev/null
    done
    rm -rf "$work"
}
trap stop_all EXIT

# wait_until <seconds> <command...>: runs the command every 50 ms until it succeeds or time is up.
wait_until() {
    local tries=$(($1 * 20))
    shift
    for ((; tries > 0; tries--)); do
        "$@" && return 0
        sleep 0.05
    done
    "$@"
}
display_written() { grep -q '^[0-9][0-9]*$' "$1" 2>/dev/null; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_until 10 display_written "$work/display" || { cat "$work/xvfb.log"; exit 1; }
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)

# A copy of the program with its own home: it reads and writes velmora.ini beside its executable,
# which stays out of the build tree. No sound device is needed to be read.
mkdir -p "$work/home"
cp "$velmora" "$(dirname "$velmora")/velmora-synth.so" "$work/" # the synthesizer's module goes with it
HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" \
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 SDL_AUDIODRIVER=dummy \
    ASAN_OPTIONS=detect_leaks=0 "$work/velmora" >"$work/velmora.log" 2>&1 &
pids+=($!)

/usr/bin/python3 "$here/check_accessibility_tree.py" || { cat "$work/velmora.log"; exit 1; }
