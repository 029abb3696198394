#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Where the windows open on small and scaled screens, as a player meets them: the real program under
# Xvfb with openbox, on a private JACK server with its built-in synthesizer (listening_desktop.sh),
# its main window where the settings file puts it. The player opens the beat window from the menu
# (Alt+P, B), checks (答え合わせ) and opens the hint (Alt+H); on the large screen the history too
# (Alt+R, K). check_window_places.py then reads the frames from the X server and the controls
# through AT-SPI: no window opened later covers the keys, a slider, 答え合わせ or the window it was
# opened from; where the screen has room for them, no window's controls lie over another's.
# Usage: run_window_places.sh <velmora executable>
set -u
if [ -z "${VELMORA_IN_SESSION:-}" ]; then
    # A session bus of our own for AT-SPI: the test never talks to the desktop it runs on.
    VELMORA_IN_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
velmora_build=$1
here=$(dirname "${BASH_SOURCE[0]}")
export JACK_DEFAULT_SERVER="velmora-wp-$$" JACK_NO_AUDIO_RESERVATION=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The program is stopped with TERM; leak reports of the libraries would only be noise.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
work=""
pids=()
# shellcheck source=tests/desktop/listening_desktop.sh
source "$here/listening_desktop.sh"

trap '[ -z "$work" ] || stop_all' EXIT
trap 'exit 143' TERM INT HUP

fail() {
    echo "FAIL ($screen): $*" >&2
    [ ! -s "$work/velmora.log" ] || tail -n 20 "$work/velmora.log" >&2
    exit 1
}

visible_window_count() { xdotool search --all --onlyvisible --pid "$velmora_pid" 2>/dev/null | grep -c .; }
more_windows_than() { [ "$(visible_window_count)" -gt "$1" ]; }

# open_from_menu <menu key> <entry key> <title>: from the main window, as a keyboard player does.
open_from_menu() {
    local before
    activate_main_window fail
    before=$(visible_window_count)
    xdotool key "$1"
    wait_until 10 more_windows_than "$before" || fail "$1 opened no menu"
    xdotool key "$2"
    wait_until 10 window_shown "$3" || fail "$1 $2 did not open $3"
}

# check_screen <width>x<height> <scale> <main window's left> <top> <history: yes or no>
# <check_window_places.py arguments...>: a desktop, a JACK server and a program of their own, the
# windows opened in turn, their places checked.
check_screen() {
    local size=$1 left=$3 top=$4 history=$5
    screen="$1 at scale $2"
    export QT_SCALE_FACTOR=$2
    shift 5
    work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-wp.XXXXXX")
    pids=()
    start_desktop fail "$size"
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
    pids+=("$!")
    start_jack fail
    start_velmora_on_jack "$velmora_build" fail "$left" "$top"
    open_from_menu alt+p b うなりの聴き比べ
    activate_window "$adjustment_window" fail
    xdotool key shift+Tab Return # from the first slider, which has the focus, back to 答え合わせ
    wait_until 10 window_shown 正解表示 || fail "答え合わせ opened no results window"
    activate_main_window fail
    xdotool key alt+h
    wait_until 10 window_shown ヒント || fail "Alt+H opened no hint"
    [ "$history" = no ] || open_from_menu alt+r k 成績の推移
    echo "$screen:"
    /usr/bin/python3 "$here/check_window_places.py" "$QT_SCALE_FACTOR" "$@" || fail "windows over each other"
    stop_all
    work=""
}

opened=(うなりの聴き比べ:Velmora 正解表示:調整 ヒント:Velmora)
row_and_beats=Velmora,調整,うなりの聴き比べ,正解表示
# The main window where a first start puts it (193, 159). The row (826 px wide in the program's
# pixels) fits beside it on both screens, and the beat window, shrunk, below it: those four stand
# apart. The hint finds no place clear of them all.
check_screen 1024x768 1 193 159 no "$row_and_beats" "${opened[@]}"
check_screen 1366x768 1.25 193 159 no "$row_and_beats" "${opened[@]}"
# 853 x 533 in the program's pixels: the results window fits left of the row only at 420 and
# its least width, and the beat window below the main window only at a third of its height; the
# hint covers one of them.
check_screen 1280x800 1.5 420 80 no - "${opened[@]}"
# Room for the five beside and below one another; the history, opened last, finds none.
check_screen 1600x1200 1 420 80 yes "$row_and_beats,ヒント" "${opened[@]}" 成績の推移:Velmora
