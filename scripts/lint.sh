#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The house rules. Without an argument, those that need no build: formatting (.clang-format) and
# the shell scripts' lint (.shellcheckrc). With a build folder made by clang: clang-tidy over src/.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -gt 0 ]]; then
  # Sources only: each header is checked through the sources that include it.
  # clang-tidy counts the warnings it suppressed in system headers on every file: not worth a line.
  git ls-files 'src/*.cpp' | xargs -P "$(nproc)" -n 4 clang-tidy --quiet -p "$1" 2>&1 |
    { grep -v '^[0-9]* warnings generated\.$' || true; }
  exit 0
fi

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

mapfile -t scripts < <(git ls-files '*.sh' .ci/run)
shellcheck -x "${scripts[@]}"

# The program speaks its own terms, not an emulated foreign MIDI API: no packed short-message
# words, no table of port handles, no virtual-key codes, no message-box or seeding procedures of
# another runtime, no program-wide slots for the system or the desktop.
old_shapes='ShortWord|\bhandle_\b|lastHandle|\bkVk|VirtualKey|\bVK_|ShowMessage|Randomize|InstallSystem|CurrentSystem|CurrentDesktop|MidiOutPort|MMSYSERR|MIDIERR|row - 1'
if git grep -n -E "$old_shapes" -- src; then
  echo "lint: the shapes above belong to an emulated API; use the program's own (docs/ARCHITECTURE.md)" >&2
  exit 1
fi
