#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The built-in synthesizer's tuning as the player hears it: the real program under Xvfb plays
# through a private JACK server (dummy driver, 48 kHz), capture clients of ours record its left and
# right outputs apart, and the twelve keys F3 ... E4 (one of each pitch class, real key presses) and
# the reference A are measured on each, by the strongest spectral peak (an estimator of the tests',
# not the program's), against equal temperament (A4 = 440 Hz) plus the challenge's hidden detune,
# read from the results window's report on the clipboard.
# Prints rows: what, value, unit.   Usage: bench/listen.sh <build directory>
set -euo pipefail

velmora=$1/src/velmora
listen=$1/bench/bench_listen
# The keys F3 ... E4 by position (README, "How to play"), in the order they are played.
keys=(a w s e d r f g y h u j)
notes=(53 54 55 56 57 58 59 60 61 62 63 64 ref)
hold_seconds=1.3 # the measured window ends 0.95 s after the onset
rest_seconds=1.5 # the released note dies away before the next one

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-listen.XXXXXX")
export JACK_DEFAULT_SERVER="velmora-listen-$$" JACK_NO_AUDIO_RESERVATION=1
pids=()
# shellcheck source=tests/desktop/listening_desktop.sh
source "$(dirname "$0")/../tests/desktop/listening_desktop.sh"
trap stop_all EXIT

give_up() {
  echo "bench/listen.sh: $*" >&2
  printf 'heard through JACK: not measured (%s)\tnan\tcents\n' "$*"
  exit 0
}

start_desktop give_up
start_jack give_up

start_velmora_on_jack "$velmora" give_up

start_output_captures "$listen" give_up

activate_main_window give_up
for key in "${keys[@]}"; do
  xdotool keydown "$key"
  sleep "$hold_seconds"
  xdotool keyup "$key"
  sleep "$rest_seconds"
done
# The reference A: the main window's "A音" button held down.
xdotool mousemove --window "$main_window" 40 152 mousedown 1
sleep "$hold_seconds"
xdotool mouseup 1
sleep "$rest_seconds"
stop_output_captures give_up

detune=$(bash "$(dirname "$0")/../tests/desktop/hidden_detune.sh" "$velmora_pid" "$adjustment_window") ||
  give_up "the hidden detune could not be read"

for side in "${output_sides[@]}"; do
  "$listen" measure "$work/$side.raw" "$rate" "$detune" "${notes[@]}" |
    sed "s/^heard through JACK: /heard through JACK, $side output: /"
done
