# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the scripts that listen to the running program share (sourced, not run): a desktop of its own
# under Xvfb with openbox, a private JACK server and the program playing into it. The caller sets
# `work` (a scratch folder), `pids` (an array; everything started is appended, to be stopped in
# reverse) and JACK_DEFAULT_SERVER, and names its failure handler, which must not return.
# shellcheck disable=SC2154 # work is the caller's
# shellcheck disable=SC2034 # velmora_pid, main_window, adjustment_window, capture_pids and rate are the caller's

# wait_until <seconds> <command...>: runs the command every 20 ms until it succeeds or time is up.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.02
    done
}

process_gone() { ! kill -0 "$1" 2>/dev/null; }

# stop_all: stops everything in `pids`, the last started first (KILL for what ignores TERM, as the
# busy loops do), removes what the JACK server left in /dev/shm and the scratch folder.
stop_all() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null || continue
        wait_until 3 process_gone "${pids[i]}" || kill -KILL "${pids[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"[_-]* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"[_-]*
    rm -rf "$work"
}

# start_desktop <on failure> [<width>x<height>]: Xvfb (1280x1024 unless told) picks a free display
# itself; openbox lets xdotool activate windows.
start_desktop() {
    local on_failure=$1
    Xvfb -displayfd 3 -screen 0 "${2:-1280x1024}x24" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
    pids+=("$!")
    display_written() { grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null; }
    wait_until 10 display_written || "$on_failure" "no X server"
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    HOME="$work" openbox --sm-disable >/dev/null 2>&1 &
    pids+=("$!")
    window_manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_until 10 window_manager_running || "$on_failure" "no window manager"
}

# start_jack <on failure> [jackd options]: a dummy driver with long periods, which leave a late
# client on a busy machine room to catch up (xruns are counted).
start_jack() {
    local on_failure=$1
    shift
    jackd "$@" --name "$JACK_DEFAULT_SERVER" -d dummy --rate 48000 --period 1024 >"$work/jackd.log" 2>&1 &
    pids+=("$!")
    jack_running() { jack_wait --server "$JACK_DEFAULT_SERVER" --check 2>/dev/null | grep -qx running; }
    wait_until 10 jack_running || "$on_failure" "no JACK server"
}

# start_velmora_on_jack <velmora executable> <on failure> [<left> <top>]: a copy with a settings file
# of its own (the built-in synthesizer, the main window at 420, 80 unless told), a fresh home and an
# empty cache folder, and no PulseAudio to reach, so that its synthesizer plays through the JACK
# server. Sets velmora_pid, main_window and adjustment_window once both windows show and the
# synthesizer is on JACK.
start_velmora_on_jack() {
    local on_failure=$2
    mkdir -m 700 "$work/run" "$work/run/home" "$work/run/home/.cache"
    cp "$1" "$(dirname "$1")/velmora-synth.so" "$work/run/" # the synthesizer's module goes with it
    printf '[window]\nLeft=%s\nTop=%s\nWidth=345\nHeight=246\n[dev]\nDev_num=0\ngakki=内蔵GSシンセサイザー\nmap=4\n' \
        "${3:-420}" "${4:-80}" \
        >"$work/run/velmora.ini"
    printf 'autospawn = no\n' >"$work/pulse-client.conf"
    HOME="$work/run/home" XDG_CONFIG_HOME="$work/run/home/.config" XDG_CACHE_HOME="$work/run/home/.cache" \
        XDG_RUNTIME_DIR="$work/run/home" PULSE_SERVER="unix:$work/no-pulse" \
        PULSE_CLIENTCONFIG="$work/pulse-client.conf" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 \
        "$work/run/velmora" >"$work/velmora.log" 2>&1 &
    velmora_pid=$!
    pids+=("$velmora_pid")
    { wait_until 60 window_shown 調整 && wait_until 20 window_shown Velmora; } ||
        "$on_failure" "the program's windows did not show"
    main_window=$(window_named Velmora)
    adjustment_window=$(window_named 調整)
    synth_on_jack() { jack_lsp 2>/dev/null | grep -q '^fluidsynth[^:]*:left$'; }
    wait_until 30 synth_on_jack || "$on_failure" "the built-in synthesizer did not reach JACK"
}
window_named() { xdotool search --all --onlyvisible --pid "$velmora_pid" --name "^$1\$" 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(window_named "$1")" ]; }

# activate_window <window> <on failure>: gives the window the keyboard, as a click would.
activate_window() {
    is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
    xdotool windowactivate "$1" 2>/dev/null || true
    wait_until 10 is_active "$1" || "$2" "window $1 did not become active"
}
activate_main_window() { activate_window "$main_window" "$1"; }

# The synthesizer's outputs, each recorded apart: a player hears them in two ears or from two
# loudspeakers, never summed.
output_sides=(left right)

# start_output_captures <recorder> <on failure>: `<recorder> record` (heard_pitch or bench_listen)
# takes FluidSynth's outputs apart into $work/<side>.raw; sets `capture_pids` and `rate`, the
# server's sample rate.
start_output_captures() {
    local recorder=$1 on_failure=$2 side
    capture_pids=()
    for side in "${output_sides[@]}"; do
        "$recorder" record "^fluidsynth[^:]*:$side\$" "$work/$side.raw" 2>"$work/$side.log" &
        capture_pids+=("$!")
        pids+=("$!")
    done
    captures_ready() { grep -qs '^ready ' "$work/left.log" && grep -qs '^ready ' "$work/right.log"; }
    wait_until 10 captures_ready || "$on_failure" "the capture clients did not connect"
    rate=$(sed -n 's/^ready //p' "$work/left.log")
}

# stop_output_captures <on failure>: ends both recordings, each written out whole.
stop_output_captures() {
    local pid
    for pid in "${capture_pids[@]}"; do
        kill -TERM "$pid"
        wait "$pid" || "$1" "a capture failed"
    done
}
