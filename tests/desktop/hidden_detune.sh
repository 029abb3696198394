#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The running program's hidden detune, as the player finds it: the answer check in the adjustment
# window, then the results window's report on the clipboard, whose correct column is the detune
# negated. Prints the detune of C, C#, ..., B in cents, comma-separated.
# Usage (DISPLAY set): hidden_detune.sh <velmora process id> <adjustment window id>
set -u
velmora_pid=$1
adjustment_window=$2

# shellcheck source=tests/desktop/listening_desktop.sh
source "$(dirname "${BASH_SOURCE[0]}")/listening_desktop.sh"
click_in() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
clipboard_has_report() { xclip -o -selection clipboard 2>/dev/null | grep -q 調律開始時刻; }

click_in "$adjustment_window" 92 428 # 答え合わせ
wait_until 20 window_shown 正解表示 || { echo "no results window" >&2; exit 1; }
printf '' | xclip -selection clipboard
click_in "$(window_named 正解表示)" 132 404 # 結果をクリップボードに出力
wait_until 20 clipboard_has_report || { echo "no report on the clipboard" >&2; exit 1; }
# Rows "C 　　　<player's>　　　　　　<correct>": the last field of the twelve rows after the heading.
xclip -o -selection clipboard | tr -d '\r' | sed -n '/^音名/,+12p' | tail -n 12 |
    sed 's/.*　//' | awk '{ list = list separator (-$1); separator = "," } END { print list }'
