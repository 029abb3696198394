#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The built-in synthesizer as a new user first hears it on a busy machine: two busy loops run, the
# real program starts under Xvfb with an empty cache folder and plays through a private JACK server
# (dummy driver), the twelve keys F3 ... E4 of the first challenge are pressed at once (real key
# presses through xdotool), and heard_pitch checks from the recorded JACK audio, each output apart,
# that every note sounds, each at equal temperament plus the hidden detune the results window's
# report gives.
# Usage: run_heard_pitch.sh <velmora executable> <heard_pitch executable>
set -u
velmora_build=$1
heard_pitch=$2

export JACK_DEFAULT_SERVER="velmora-hp-$$" JACK_NO_AUDIO_RESERVATION=1
# The program is stopped with TERM; leak reports of the libraries would only be noise.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-hp.XXXXXX")
# The keys F3 ... E4 by position (README, "How to play"), in the order they are played.
keys=(a w s e d r f g y h u j)
hold_seconds=1.3 # the measured window ends 0.95 s after the onset
rest_seconds=1.5 # the released note dies away before the next one
pids=()
# shellcheck source=tests/desktop/listening_desktop.sh
source "$(dirname "${BASH_SOURCE[0]}")/listening_desktop.sh"

trap stop_all EXIT
trap 'exit 143' TERM INT HUP

fail() {
    echo "FAIL: $*" >&2
    [ ! -s "$work/velmora.log" ] || tail -n 20 "$work/velmora.log" >&2
    exit 1
}

start_desktop fail
# Real-time where allowed: the busy loops must not make the server itself late.
start_jack fail --realtime

# The busy machine: two processes that never wait, from before the program starts to the end.
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    pids+=("$!")
done

start_velmora_on_jack "$velmora_build" fail

start_output_captures "$heard_pitch" fail

# The keys, the first as soon as the player can press it. It may wait for its instrument's
# correction (FluidR3_GM recognized for the shipped table; at most three seconds) and then sounds as
# long as it was held, from whenever it starts: the next key follows once it has been heard and has
# died away, so that each note is measured alone (a key pressed while a late first note still
# sounded merged the two into one).
activate_main_window fail
first_key_heard() { "$heard_pitch" heard "$work/left.raw" 1; }
for key in "${keys[@]}"; do
    xdotool keydown "$key"
    sleep "$hold_seconds"
    xdotool keyup "$key"
    if [ "$key" = "${keys[0]}" ]; then
        wait_until 15 first_key_heard || fail "the first key was never heard"
        sleep "$hold_seconds" # heard at its start, which may have come late
    fi
    sleep "$rest_seconds"
done
stop_output_captures fail

detune=$(bash "$(dirname "${BASH_SOURCE[0]}")/hidden_detune.sh" "$velmora_pid" "$adjustment_window") ||
    fail "the hidden detune could not be read"

status=0
for side in "${output_sides[@]}"; do
    echo "$side output:"
    "$heard_pitch" check "$work/$side.raw" "$rate" "$detune" || status=1
done
exit "$status"
