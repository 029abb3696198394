#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Velmora needs to build, run and test; only those missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libsqlite3-dev
  librtmidi-dev libasound2-dev libjack-jackd2-dev
  libfluidsynth-dev libpulse-dev libsdl2-dev libglib2.0-dev fluid-soundfont-gm
  libjpeg62-turbo-dev fonts-ipafont-gothic libx11-dev
  qt6-translations-l10n
)
# --tests: what the test suite needs besides; --fuzz: the compiler of the fuzz targets (fuzz/);
# --bench: what the benchmarks need.
for option in "$@"; do
  case "$option" in
    # Besides the servers and input tools: the desktop files' validators, an AT-SPI bus for the
    # accessibility tree, and the house rules (clang as a second compiler, clang-tidy, clang-format and
    # the shell scripts' linter).
    --tests) packages+=(jackd2 xvfb openbox xdotool x11-utils xclip pulseaudio appstream desktop-file-utils
                        dbus-daemon at-spi2-core python3-pyatspi clang clang-tidy clang-format shellcheck) ;;
    # clang's libFuzzer runtime lives in a package of its own.
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    # The benchmarks run Velmora under Xvfb, with a private PulseAudio and with a private JACK server
    # (where its report is read from the clipboard).
    --bench) packages+=(xvfb xdotool x11-utils pulseaudio jackd2 openbox xclip) ;;
    *) echo "unknown option: $option" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
# env after sudo: sudo would drop DEBIAN_FRONTEND, and jackd2 would then ask about real-time priority.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
