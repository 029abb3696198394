#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the benchmarks in Release (build-bench/) and prints their rows as one table, with Velmora
# on a desktop of its own (bench/desktop.sh, beside a peer program when BENCH_PEER_COMMAND names one),
# and its built-in synthesizer heard through JACK (bench/listen.sh).
# A new benchmark: add its program to bench/CMakeLists.txt and its target name to `benchmarks`.
set -euo pipefail
cd "$(dirname "$0")/.."

benchmarks=(bench_synth bench_program bench_settings bench_slider bench_history bench_tuning bench_beat_emphasis
  bench_partials)
# Run by bench/desktop.sh, on its sound server, and by bench/listen.sh, on its JACK server.
desktop_benchmarks=(bench_audio_output bench_listen)

scripts/install-deps.sh --bench

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF \
  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build build-bench --target "${benchmarks[@]}" "${desktop_benchmarks[@]}" velmora -j2 >/dev/null

# A private JACK server (dummy driver, a 256-frame period at 48 kHz) and a receiver, so that the idle
# cost of a JACK device is measured too; left out when jackd is not installed.
started=()
stop_started() {
  local pid
  # A stopped process waited for answers 143: under set -e that would be the script's status.
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  return 0
}
trap stop_started EXIT
if command -v jackd >/dev/null && command -v jack_midi_dump >/dev/null; then
  export JACK_DEFAULT_SERVER="velmora-bench-$$" JACK_NO_AUDIO_RESERVATION=1
  jackd --no-realtime --name "$JACK_DEFAULT_SERVER" -d dummy --rate 48000 --period 256 >/dev/null 2>&1 &
  started+=($!)
  if jack_wait --wait --timeout 10 >/dev/null 2>&1; then
    jack_midi_dump >/dev/null 2>&1 &
    started+=($!)
    for _ in $(seq 100); do
      jack_lsp 2>/dev/null | grep -qx 'midi-monitor:input' && break
      sleep 0.05
    done
    export VELMORA_BENCH_JACK_PORT=midi-monitor:input
  fi
fi

{
  printf 'what\tvalue\tunit\n'
  for benchmark in "${benchmarks[@]}"; do
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "build-bench/bench/$benchmark"
  done
  bench/desktop.sh build-bench
  bench/listen.sh build-bench
} | awk -F'\t' '
  { what[NR] = $1; value[NR] = $2; unit[NR] = $3; if (length($1) > width) width = length($1) }
  END {
    for (i = 1; i <= NR; i++) {
      printf "%-" width "s  %10s  %s\n", what[i], value[i], unit[i]
      if (i == 1) { line = ""; for (j = 0; j < width + 20; j++) line = line "-"; print line }
    }
  }'
