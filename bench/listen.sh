#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The built-in synthesizer's tuning as the player hears it: the real program under Xvfb plays
# through a private JACK server (dummy driver, 48 kHz), a capture client of ours records its
# FluidSynth output, and the twelve keys F3 ... E4 (one of each pitch class, real key presses) and
# the reference A are measured against equal temperament (A4 = 440 Hz) plus the challenge's hidden
# detune, read from the results window's report on the clipboard.
# Prints rows: what, value, unit.   Usage: bench/listen.sh <build directory>
set -euo pipefail

velmora=$1/src/windows/velmora
listen=$1/bench/bench_listen
# The keys F3 ... E4 by position (README, "How to play"), in the order they are played.
keys=(a w s e d r f g y h u j)
notes=(53 54 55 56 57 58 59 60 61 62 63 64 ref)
hold_seconds=1.3 # the measured window ends 0.95 s after the onset
rest_seconds=1.5 # the released note and its reverb die away before the next one

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-listen.XXXXXX")
export JACK_DEFAULT_SERVER="velmora-listen-$$" JACK_NO_AUDIO_RESERVATION=1
pids=()
stop_all() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"[_-]* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"[_-]*
  rm -rf "$work"
}
trap stop_all EXIT

# wait_until <seconds> <command...>: runs the command every 20 ms until it succeeds or time is up.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.02
  done
}
give_up() {
  echo "bench/listen.sh: $*" >&2
  printf 'heard through JACK: not measured (%s)\tnan\tcents\n' "$*"
  exit 0
}

# The X server picks a free display itself; openbox lets xdotool activate windows.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=("$!")
display_written() { grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; }
wait_until 10 display_written || give_up "no X server"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
HOME="$work" openbox --sm-disable >/dev/null 2>&1 &
pids+=("$!")
window_manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 10 window_manager_running || give_up "no window manager"

# Long periods leave a late client on a busy machine room to catch up (xruns are counted).
jackd --name "$JACK_DEFAULT_SERVER" -d dummy --rate 48000 --period 1024 >"$work/jackd.log" 2>&1 &
pids+=("$!")
jack_running() { jack_wait --server "$JACK_DEFAULT_SERVER" --check 2>/dev/null | grep -qx running; }
wait_until 10 jack_running || give_up "no JACK server"

# The program: a copy with a settings file of its own (the built-in synthesizer, the main window at a
# known place), a fresh home and cache, and no PulseAudio to reach, so that its synthesizer plays
# through the JACK server.
mkdir -p "$work/run/home" && chmod 700 "$work/run/home"
cp "$velmora" "$work/run/velmora"
printf '[window]\nLeft=420\nTop=80\nWidth=345\nHeight=246\n[dev]\nDev_num=0\ngakki=内蔵GSシンセサイザー\nmap=4\n' \
  >"$work/run/velmora.ini"
printf 'autospawn = no\n' >"$work/pulse-client.conf"
HOME="$work/run/home" XDG_CONFIG_HOME="$work/run/home/.config" XDG_CACHE_HOME="$work/run/home/.cache" \
  XDG_RUNTIME_DIR="$work/run/home" PULSE_SERVER="unix:$work/no-pulse" PULSE_CLIENTCONFIG="$work/pulse-client.conf" \
  QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$work/run/velmora" >"$work/velmora.log" 2>&1 &
velmora_pid=$!
pids+=("$velmora_pid")
window_named() { xdotool search --all --onlyvisible --pid "$velmora_pid" --name "^$1\$" 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(window_named "$1")" ]; }
synth_on_jack() { jack_lsp 2>/dev/null | grep -q '^fluidsynth[^:]*:left$'; }
wait_until 30 window_shown 調整 && wait_until 10 window_shown Velmora || give_up "the program's windows did not show"
wait_until 10 synth_on_jack || give_up "the built-in synthesizer did not reach JACK"
main_window=$(window_named Velmora)
adjustment_window=$(window_named 調整)

"$listen" record '^fluidsynth[^:]*:' "$work/heard.raw" 2>"$work/capture.log" &
capture_pid=$!
pids+=("$capture_pid")
capture_ready() { grep -qs '^ready ' "$work/capture.log"; }
wait_until 10 capture_ready || give_up "the capture client did not connect"
rate=$(sed -n 's/^ready //p' "$work/capture.log")

is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
xdotool windowactivate "$main_window" 2>/dev/null || true
wait_until 5 is_active "$main_window" || give_up "the main window did not become active"
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
kill "$capture_pid"
wait "$capture_pid" || give_up "the capture failed"

detune=$(bash "$(dirname "$0")/../tests/desktop/hidden_detune.sh" "$velmora_pid" "$adjustment_window") ||
  give_up "the hidden detune could not be read"

"$listen" measure "$work/heard.raw" "$rate" "$detune" "${notes[@]}"
