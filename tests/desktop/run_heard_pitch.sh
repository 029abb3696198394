#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The built-in synthesizer as a new user first hears it on a busy machine: two busy loops run, the
# real program starts under Xvfb with an empty cache folder and plays through a private JACK server
# (dummy driver), the twelve keys F3 ... E4 of the first challenge are pressed at once (real key
# presses through xdotool), and heard_pitch checks from the recorded JACK audio that every note
# sounds, each at equal temperament plus the hidden detune the results window's report gives.
# Usage: run_heard_pitch.sh <velmora executable> <heard_pitch executable>
set -u
velmora_build=$1
heard_pitch=$2

export JACK_DEFAULT_SERVER="velmora-hp-$$" JACK_NO_AUDIO_RESERVATION=1
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
# The program is stopped with TERM; leak reports of the libraries would only be noise.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-hp.XXXXXX")
# The keys F3 ... E4 by position (README, "How to play"), in the order they are played.
keys=(a w s e d r f g y h u j)
hold_seconds=1.3 # the measured window ends 0.95 s after the onset
rest_seconds=1.5 # the released note and its reverb die away before the next one
pids=()

process_gone() { ! kill -0 "$1" 2>/dev/null; }
stop_all() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null
        wait_until 3 process_gone "${pids[i]}" || kill -KILL "${pids[i]}" 2>/dev/null
    done
    wait 2>/dev/null
    rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"[_-]* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"[_-]*
    rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 143' TERM INT HUP

# wait_until <seconds> <command...>: runs the command every 20 ms until it succeeds or time is up.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.02
    done
}
fail() {
    echo "FAIL: $*" >&2
    [ ! -s "$work/velmora.log" ] || tail -n 20 "$work/velmora.log" >&2
    exit 1
}

# Xvfb picks a free display itself; openbox lets xdotool activate windows.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=("$!")
display_written() { grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; }
wait_until 10 display_written || fail "no X server"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
HOME="$work" openbox --sm-disable >/dev/null 2>&1 &
pids+=("$!")
window_manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 10 window_manager_running || fail "no window manager"
# Real-time where allowed and long periods: the busy loops must not make the server itself late.
jackd --realtime --name "$JACK_DEFAULT_SERVER" -d dummy --rate 48000 --period 1024 >"$work/jackd.log" 2>&1 &
pids+=("$!")
jack_running() { jack_wait --server "$JACK_DEFAULT_SERVER" --check 2>/dev/null | grep -qx running; }
wait_until 10 jack_running || fail "no JACK server"

# The busy machine: two processes that never wait, from before the program starts to the end.
for _ in 1 2; do
    sh -c 'while :; do :; done' &
    pids+=("$!")
done

# The program: a copy with a settings file of its own (the built-in synthesizer), a fresh home and
# an empty cache folder, and no PulseAudio to reach, so that its synthesizer plays through JACK.
mkdir -m 700 "$work/run" "$work/run/home" "$work/run/home/.cache"
cp "$velmora_build" "$work/run/velmora"
printf '[window]\nLeft=420\nTop=80\nWidth=345\nHeight=246\n[dev]\nDev_num=0\ngakki=内蔵GSシンセサイザー\nmap=4\n' \
    >"$work/run/velmora.ini"
printf 'autospawn = no\n' >"$work/pulse-client.conf"
HOME="$work/run/home" XDG_CONFIG_HOME="$work/run/home/.config" XDG_CACHE_HOME="$work/run/home/.cache" \
    XDG_RUNTIME_DIR="$work/run/home" PULSE_SERVER="unix:$work/no-pulse" PULSE_CLIENTCONFIG="$work/pulse-client.conf" \
    "$work/run/velmora" >"$work/velmora.log" 2>&1 &
velmora_pid=$!
pids+=("$velmora_pid")
window_named() { xdotool search --all --onlyvisible --pid "$velmora_pid" --name "^$1\$" 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(window_named "$1")" ]; }
{ wait_until 60 window_shown 調整 && wait_until 20 window_shown Velmora; } || fail "the program's windows did not show"
main_window=$(window_named Velmora)
adjustment_window=$(window_named 調整)
synth_on_jack() { jack_lsp 2>/dev/null | grep -q '^fluidsynth[^:]*:left$'; }
wait_until 30 synth_on_jack || fail "the built-in synthesizer did not reach JACK"

"$heard_pitch" record '^fluidsynth[^:]*:' "$work/heard.raw" 2>"$work/capture.log" &
capture_pid=$!
pids+=("$capture_pid")
capture_ready() { grep -qs '^ready ' "$work/capture.log"; }
wait_until 10 capture_ready || fail "the capture client did not connect"
rate=$(sed -n 's/^ready //p' "$work/capture.log")

# The keys, the first as soon as the player can press it. It may wait for its instrument's
# correction (FluidR3_GM recognized for the shipped table; at most three seconds) and then sounds as
# long as it was held: the next key follows
# once it has been heard and has died away, so that each note is measured alone.
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
xdotool windowactivate "$main_window" 2>/dev/null
wait_until 10 is_active "$main_window" || fail "the main window did not become active"
first_key_heard() { "$heard_pitch" heard "$work/heard.raw" 1; }
for key in "${keys[@]}"; do
    xdotool keydown "$key"
    sleep "$hold_seconds"
    xdotool keyup "$key"
    if [ "$key" = "${keys[0]}" ]; then
        wait_until 15 first_key_heard || fail "the first key was never heard"
    else
        sleep "$rest_seconds"
    fi
done
kill -TERM "$capture_pid"
wait "$capture_pid" || fail "the capture failed"

detune=$(bash "$(dirname "${BASH_SOURCE[0]}")/hidden_detune.sh" "$velmora_pid" "$adjustment_window") ||
    fail "the hidden detune could not be read"

"$heard_pitch" check "$work/heard.raw" "$rate" "$detune"
