#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Velmora as the player meets it on a desktop: process start to the windows on screen, and CPU
# while the program waits for the player; beside it, when one is named, a peer program measured the
# same way. They run on an Xvfb display of their own and play through a private PulseAudio server
# into a null sink, each with its own synthesizer. On the same server, bench_audio_output measures
# the built-in synthesizer's audio output alone. Prints rows: what, value, unit.
# Usage: bench/desktop.sh <build directory>
#   BENCH_DISPLAY         the X display, :81 by default
#   BENCH_PEER_COMMAND    a peer program to measure beside Velmora (installed by you), e.g. another
#                         MIDI keyboard with a synthesizer of its own; none by default
#   BENCH_PEER_WINDOW     the X window class of the peer's main window (a regular expression)
#   BENCH_RUNS            starts of each program, in turn, 9 by default (a shared machine is noisy:
#                         more runs for a difference of a few milliseconds)
set -euo pipefail

velmora=$1/src/velmora
audio_output_bench=$1/bench/bench_audio_output
display=${BENCH_DISPLAY:-:81}
runs=${BENCH_RUNS:-9}
idle_seconds=10

work=$(mktemp -d)
pids=()
stop_all() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap stop_all EXIT

# -noreset: a server that resets when its last client leaves refuses the next one meanwhile.
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
export PULSE_SERVER=unix:$work/pulse.socket
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=no --system=false --disallow-exit --exit-idle-time=-1 --use-pid-file=false \
  -n --load=module-null-sink --load="module-native-protocol-unix socket=$work/pulse.socket auth-anonymous=1" \
  >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.05; done
for _ in $(seq 100); do [[ -S $work/pulse.socket ]] && break; sleep 0.05; done
# A copy of its own, so no settings file of a developer's is read or written.
cp "$velmora" "$(dirname "$velmora")/velmora-synth.so" "$work/" # the synthesizer's module goes with it

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Waits until `count` windows matching the `xdotool search` arguments after it are mapped, one
# search per look for every program alike; prints the milliseconds since `start`.
windows_shown_after() {
  local start=$1 count=$2
  shift 2
  local deadline=$(($(now_ms) + 10000))
  while (($(now_ms) < deadline)); do
    if (($(xdotool search --onlyvisible "$@" 2>/dev/null | wc -l) >= count)); then
      echo $(($(now_ms) - start))
      return
    fi
    sleep 0.002
  done
  echo nan
}

# CPU seconds (user + system) used so far by the processes $@.
cpu_ticks() {
  local total=0
  for pid in "$@"; do
    read -r -a stat <"/proc/$pid/stat"
    total=$((total + stat[13] + stat[14]))
  done
  echo "$total"
}

idle_percent() {
  local before after hz
  hz=$(getconf CLK_TCK)
  before=$(cpu_ticks "$@")
  sleep "$idle_seconds"
  after=$(cpu_ticks "$@")
  kill -0 "$@" 2>/dev/null || { echo nan; return; } # a program that died meanwhile has no figure
  awk -v t=$((after - before)) -v hz="$hz" -v s="$idle_seconds" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

row() { printf '%s\t%s\t%s\n' "$1" "$2" "$3"; }

# Starts `command`, waits for its windows (as for windows_shown_after: a count and the search)
# and prints the milliseconds; with `idle` set, then its idle CPU too. Stops it.
time_start() {
  local command=$1 pid start
  shift
  start=$(now_ms)
  "$command" >/dev/null 2>&1 &
  pid=$!
  windows_shown_after "$start" "$@"
  if [ -n "${idle:-}" ]; then
    sleep 2
    idle_percent "$pid"
  fi
  kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
}

"$audio_output_bench"

[ -z "${BENCH_PEER_COMMAND:-}" ] || : "${BENCH_PEER_WINDOW:?names the peer window class}"
velmora_windows=(2 --name '^(Velmora|調整)$')
peer_windows=(1 --class "${BENCH_PEER_WINDOW:-.}")
# Turn about, so that whatever else loads the machine meanwhile weighs on both alike.
velmora_times=() peer_times=()
for ((run = 0; run < runs; run++)); do
  velmora_times+=("$(time_start "$work/velmora" "${velmora_windows[@]}")")
  [ -z "${BENCH_PEER_COMMAND:-}" ] || peer_times+=("$(time_start "$BENCH_PEER_COMMAND" "${peer_windows[@]}")")
done
row "desktop: Velmora, process start to both windows shown (median of $runs)" \
  "$(printf '%s\n' "${velmora_times[@]}" | median)" ms
row "desktop: Velmora idle CPU, built-in synthesizer" "$(idle=1 time_start "$work/velmora" "${velmora_windows[@]}" | tail -n 1)" "% of a core"

if [ -n "${BENCH_PEER_COMMAND:-}" ]; then
  row "desktop: peer ($BENCH_PEER_COMMAND), process start to its window shown (median of $runs)" \
    "$(printf '%s\n' "${peer_times[@]}" | median)" ms
  row "desktop: peer ($BENCH_PEER_COMMAND) idle CPU, its own synthesizer" \
    "$(idle=1 time_start "$BENCH_PEER_COMMAND" "${peer_windows[@]}" | tail -n 1)" "% of a core"
fi
