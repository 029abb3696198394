#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI's bounded fuzzing run: builds the SoundFont layout reader's fuzz target with clang and
# libFuzzer and runs it for a fixed time (seconds, default 60) from the seeds in fuzz/seeds-soundfont.
# Any allocation above 1 MB is a fault: the inputs are at most 64 kB, and the reader must never ask
# for more than the file holds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh --fuzz
CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DVELMORA_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF \
  -DVELMORA_BUILD_BENCH=OFF -DVELMORA_WERROR=ON >/dev/null
cmake --build build-fuzz --target fuzz_soundfont_layout
corpus=build-fuzz/corpus-soundfont
mkdir -p "$corpus"
build-fuzz/fuzz/fuzz_soundfont_layout "$corpus" fuzz/seeds-soundfont -max_total_time="$seconds" \
  -max_len=65536 -malloc_limit_mb=1 -rss_limit_mb=1024 -print_final_stats=1
