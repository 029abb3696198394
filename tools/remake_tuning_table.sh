#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures all 128 programs of Debian's FluidR3_GM (package fluid-soundfont-gm) with the program's
# own measuring code and writes the table of corrections shipped inside the program,
# resources/FluidR3_GM-tuning.json. Run it whenever the measurement changes (kTuningMethod in
# src/synth/TuningEntry.h is raised then, or the shipped table is not believed); test_tuning_table
# fails until it is. Takes a few minutes on a Release build; commit the result.
# Usage: tools/remake_tuning_table.sh [BUILD_DIR]    (default: build-tools)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-tools}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target make_tuning_table
"$build"/tools/make_tuning_table resources/FluidR3_GM-tuning.json /usr/share/sounds/sf2/FluidR3_GM.sf2
