#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/) and prints their rows as one table, with Velmora
# beside VMPK on a desktop of its own (bench/desktop.sh).
# A new benchmark: add its program to bench/CMakeLists.txt and its target name to `benchmarks`.
set -euo pipefail
cd "$(dirname "$0")/.."

benchmarks=(bench_synth bench_program bench_settings bench_slider)

scripts/install-deps.sh --bench

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF \
  -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build build-bench --target "${benchmarks[@]}" velmora -j2 >/dev/null

{
  printf 'what\tvalue\tunit\n'
  for benchmark in "${benchmarks[@]}"; do
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "build-bench/bench/$benchmark"
  done
  bench/desktop.sh build-bench/src/velmora
} | awk -F'\t' '
  { what[NR] = $1; value[NR] = $2; unit[NR] = $3; if (length($1) > width) width = length($1) }
  END {
    for (i = 1; i <= NR; i++) {
      printf "%-" width "s  %10s  %s\n", what[i], value[i], unit[i]
      if (i == 1) { line = ""; for (j = 0; j < width + 20; j++) line = line "-"; print line }
    }
  }'
