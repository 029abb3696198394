#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Remakes the generated resources with the programs in tools/: the title clip, the hint picture and
# the icon's PNG (from the hand-drawn SVG, with rsvg-convert from librsvg2-bin). The hint text and
# the desktop entry are written by hand. The outputs are deterministic; commit them when they change.
# Usage: tools/remake_resources.sh [BUILD_DIR]    (default: build-tools)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-tools}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target make_clip_wav make_hint_jpeg -j2

"$build"/tools/make_clip_wav resources/clip.wav
"$build"/tools/make_hint_jpeg resources/hint.jpg
"$build"/tools/make_hint_jpeg resources/hint@2x.jpg 2
rsvg-convert --width 256 --height 256 resources/velmora.svg --output resources/velmora.png
