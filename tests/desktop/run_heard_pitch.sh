#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The built-in synthesizer as a new user first hears it on a busy machine: two busy loops run, the
# real program starts under Xvfb with an empty cache folder and plays through a private JACK server
# (dummy driver), the twenty keys F3 ... C5 of the first challenge are pressed one after another
# (real key presses through xdotool), and heard_pitch checks from the recorded JACK audio, each
# output apart, that every note sounds, each at equal temperament plus the hidden detune the results
# window's report gives, without beating by itself. Then the beat window plays the twelve steps of
# the tuning order in that tuning, and heard_pitch follows a perfect ear through them: each class
# must land within half a cent of the answer.
# Usage: run_heard_pitch.sh <velmora executable> <heard_pitch executable>
set -u
velmora_build=$1
heard_pitch=$2

export JACK_DEFAULT_SERVER="velmora-hp-$$" JACK_NO_AUDIO_RESERVATION=1
# The program is stopped with TERM; leak reports of the libraries would only be noise.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-hp.XXXXXX")
# The keys F3 ... C5 by position (README, "How to play"), in the order they are played.
keys=(a w s e d r f g y h u j k o l p semicolon bracketleft apostrophe backslash)
hold_seconds=2 # the partials are followed for 1.9 s after the onset
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

# The beat window's steps in the challenge's tuning: the sliders stay where they were (at 0) after
# the check, so channel 1 still sounds the hidden detune. Each "再生" sounds four seconds; the next
# is pressed once the step has been heard and has died away.
for side in "${output_sides[@]}"; do
    mv "$work/$side.raw" "$work/$side-keys.raw"
done
start_output_captures "$heard_pitch" fail
activate_main_window fail
xdotool key alt+p b # 練習(P), うなりの聴き比べ(B)
wait_until 10 window_shown うなりの聴き比べ || fail "the beat window did not open"
xdotool windowactivate "$(window_named うなりの聴き比べ)"
for step in $(seq 1 12); do
    xdotool key Return # the step's "再生" has the focus
    step_heard() { "$heard_pitch" heard "$work/left.raw" "$step" 4; }
    wait_until 20 step_heard || fail "step $step was never heard"
    xdotool key Tab
done
stop_output_captures fail
for side in "${output_sides[@]}"; do
    echo "$side output, the tuning order:"
    "$heard_pitch" steps "$work/$side.raw" "$rate" "$detune" || status=1
done
exit "$status"
