#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, checks the house rules (formatting, shellcheck; a clang build with
# clang-tidy), fuzzes the SoundFont layout reader for a minute, builds everything optimised as a
# packager does (Release: GCC warns of more at -O3) and runs its quick suites, builds the tests with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs the whole suite headless. Warnings are
# errors in every build here (VELMORA_WERROR, off by default).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests
scripts/lint.sh
# The suites start private JACK servers, and JACK keeps eight server slots in one registry that a
# killed server never gives back. With no JACK server running, the registry holds only such dead
# slots: remove it, and the next server makes a new one.
if ! pgrep -x 'jackd|jackdbus' >/dev/null; then
  rm -f /dev/shm/jack-shm-registry
fi
CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_WERROR=ON >/dev/null
cmake --build build-clang
scripts/lint.sh build-clang
scripts/fuzz.sh 60
cmake -S . -B build-release-tests -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=ON >/dev/null
cmake --build build-release-tests
# The whole suite runs once, in the sanitized build below; optimised, only the suites that need
# no server and take a few seconds (about 15 s together).
release_suites='^test_(messages|gs_sysex|gs_pitch|soundfont_layout|opening_port|rtmidi_ports|settings|placement|challenge|report|keys|held_keys|history|jpeg_image|resources|builtin_synth_loader|startup|play|results|exam|history_window|accessibility|beat_window|high_density|beat_comparison|comparison_window|unison_window|drill_history|unison_pitch|comparison_beats)$'
(cd build-release-tests && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -R "$release_suites")
cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON >/dev/null
cmake --build build-tests
cd build-tests
QT_QPA_PLATFORM=offscreen ctest --output-on-failure "$@"
