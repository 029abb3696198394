#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program played as a person plays it: an X server (Xvfb) with a window manager (openbox),
# real key presses and mouse clicks through the XTEST extension (xdotool), a private JACK server on
# the dummy driver and a JACK MIDI receiver chosen as the output device, and a private PulseAudio
# server with a null sink for the program's sound clip. Every byte the program sends
# is recorded; the cases check those bytes and what the windows show (visible windows, the report
# the results window copies to the clipboard), never the program's internals.
#
# Adding a case: write a function named case_<what_the_player_sees> below; cases run in the order
# of the file. Each finds a program running on the receiver (start_velmora: its own home folder and
# settings file) with the adjustment window and main window shown and a challenge received; one
# program serves case after case while they leave it so, and a case that needs it as it starts
# (the first slider focused, the first challenge) calls fresh_program first. A case too long for
# every run is named long_case_<name> and runs only when its name is given.
# Act with xdotool (key, keydown/keyup, click_in <window> <x> <y> [button]); wait for what should
# happen with wait_until <seconds> <condition...> or wait_for_bytes; read the wire with
# bytes_since <mark> (mark=$(byte_count) before acting) and current_tuning; fail with
# `fail "what went wrong"`. Helpers for the program: stop_receiver / start_receiver (the device
# vanishes and comes back), stop_jack / start_jack, window_named, visible_boxes, next_challenge,
# copy_report / report_line.
# Usage: run_real_input.sh <velmora executable> <receiver executable> [case name ...]
# With VELMORA_SCREENSHOTS=<folder>, a failing case leaves a screenshot there (ImageMagick).
# VELMORA_RI_JACK_PREFIX: the JACK server's name before the process id (default velmora-ri).
set -u
velmora_build=$1
receiver=$2
shift 2

export JACK_DEFAULT_SERVER="${VELMORA_RI_JACK_PREFIX:-velmora-ri}-$$"
export JACK_NO_AUDIO_RESERVATION=1
export QT_QPA_PLATFORM=xcb
export LC_ALL=C.UTF-8
# The program is stopped with TERM; leak reports of the libraries would only be noise.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-ri.XXXXXX")
received="$work/received.txt"
: >"$received"
started=()   # the X server, the window manager and PulseAudio, stopped last
jack_pid=""
velmora_pid=""
receiver_pid=""
other_program_pid=""

# stop_process <pid> [seconds]: TERM, and KILL when it has not gone after that long (3 s).
stop_process() {
    [ -n "$1" ] || return 0
    kill -TERM "$1" 2>/dev/null
    wait_until "${2:-3}" process_gone "$1" || kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}
stop_all() {
    local i
    stop_process "$velmora_pid"
    stop_process "$other_program_pid"
    stop_process "$receiver_pid"
    stop_jack
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        stop_process "${started[i]}"
    done
    rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"[_-]* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"[_-]*
    rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 143' TERM INT HUP

# wait_until <seconds> <command...>: runs the command every 20 ms until it succeeds or time is up.
wait_until() {
    local deadline=$((SECONDS + $1 + 1)) tries=$(($1 * 50))
    shift
    for ((; tries > 0 && SECONDS < deadline; tries--)); do
        "$@" && return 0
        sleep 0.02
    done
    "$@"
}
process_gone() { ! kill -0 "$1" 2>/dev/null; }
fail() {
    echo "FAIL: $*" >&2
    return 1
}

# ---- The X server, the window manager, JACK ---------------------------------------------------

# start_x <width>x<height>
start_x() {
    # Xvfb picks a free display itself and writes its number: two suites starting at once never
    # share one.
    local display_file="$work/display"
    : >"$display_file"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$display_file" >"$work/xvfb.log" 2>&1 &
    started+=($!)
    if ! wait_until 10 display_written "$display_file"; then
        echo "No X server could start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    DISPLAY=":$(head -n 1 "$display_file")"
    export DISPLAY
    wait_until 10 xdpyinfo_quiet || { cat "$work/xvfb.log" >&2; exit 1; }
}
display_written() { grep -q '^[0-9][0-9]*$' "$1" 2>/dev/null; }
xdpyinfo_quiet() { xdotool getdisplaygeometry >/dev/null 2>&1; }
window_manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
start_window_manager() {
    HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    started+=($!)
    wait_until 10 window_manager_running || { cat "$work/openbox.log" >&2; exit 1; }
}
server_running() { jack_wait --server "$JACK_DEFAULT_SERVER" --check 2>/dev/null | grep -qx running; }
start_jack() {
    # Not synchronous: a stopped program's client is then removed at once, and the next one's
    # open does not wait on it. Real-time where allowed: on a busy machine a client that is late
    # for its cycle loses that cycle's messages.
    jackd --realtime --timeout 5000 --name "$JACK_DEFAULT_SERVER" -d dummy --rate 48000 \
        --period 256 >"$work/jackd.log" 2>&1 &
    jack_pid=$!
    wait_until 10 server_running || { cat "$work/jackd.log" >&2; exit 1; }
}
# A JACK server given TERM may wait two of its client timeouts (5 s) for a client that hangs; one
# killed before it has gone keeps its slot in JACK's registry of eight for good.
stop_jack() {
    stop_process "$jack_pid" 15
    jack_pid=""
}
pulse_listening() { [ -S "$work/pulse/native" ]; }
start_pulse() {
    mkdir -m 700 "$work/pulse"
    XDG_RUNTIME_DIR="$work/pulse" HOME="$work/pulse" pulseaudio --daemonize=no --disallow-exit \
        --exit-idle-time=-1 --use-pid-file=false -n --load=module-null-sink \
        --load="module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
        >"$work/pulse.log" 2>&1 &
    started+=($!)
    wait_until 10 pulse_listening || { cat "$work/pulse.log" >&2; exit 1; }
    export PULSE_SERVER="unix:$work/pulse/native"
}
receiver_ready() { grep -qsx ready "$work/receiver.err"; }
start_receiver() {
    : >"$work/receiver.err"
    "$receiver" receiver >>"$received" 2>"$work/receiver.err" &
    receiver_pid=$!
    wait_until 10 receiver_ready || fail "the MIDI receiver did not come up"
}
stop_receiver() {
    stop_process "$receiver_pid"
    receiver_pid=""
}

# ---- The wire ---------------------------------------------------------------------------------

byte_count() { wc -l <"$received"; }
# bytes_since <mark>: the messages received after the first <mark> lines, one per line.
bytes_since() { tail -n +$(($1 + 1)) "$received"; }
has_bytes_since() { bytes_since "$1" | grep -qx "$2"; }
# wait_for_bytes <mark> <message>: waits until <message> (e.g. "80 35 7F") arrived after <mark>.
wait_for_bytes() { wait_until 10 has_bytes_since "$1" "$2" || fail "'$2' never arrived"; }
# Scale-tuning messages of part 1, as their twelve data bytes.
tunings_since() { bytes_since "$1" | sed -n 's/^F0 41 10 42 12 40 11 40 \(\([0-9A-F][0-9A-F] \)\{12\}\)[0-9A-F][0-9A-F] F7$/\1/p'; }
# The last tuning sent: the challenge with the player's slider positions.
current_tuning() { tunings_since 0 | tail -n 1; }
# stepped_up <index> <tuning>: the tuning with pitch class <index> (0 is C) one step up.
stepped_up() {
    local bytes
    read -ra bytes <<<"$2"
    bytes[$1]=$(printf '%02X' $((16#${bytes[$1]} + 1)))
    echo "${bytes[*]} "
}
# scale_tuning_message <tuning>: the whole message of part 1, with Roland's checksum (address and
# data add up to a multiple of 128).
scale_tuning_message() {
    local byte sum=$((0x40 + 0x11 + 0x40))
    for byte in $1; do sum=$((sum + 16#$byte)); done
    echo "F0 41 10 42 12 40 11 40 $1$(printf '%02X' $(((128 - sum % 128) % 128))) F7"
}

# ---- The program ------------------------------------------------------------------------------

# window_named <title>: the program's visible window with this title (the first when several).
window_named() { xdotool search --all --onlyvisible --pid "$velmora_pid" --name "^$1\$" 2>/dev/null | head -n 1; }
window_shown() { [ -n "$(window_named "$1")" ]; }
# The message boxes: every visible window titled Velmora but the main window.
visible_boxes() { xdotool search --all --onlyvisible --pid "$velmora_pid" --name '^Velmora$' 2>/dev/null | grep -vx "$main_window"; }
box_count() { visible_boxes | grep -c .; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
activate() {
    xdotool windowactivate "$1" 2>/dev/null
    wait_until 5 is_active "$1" || fail "window $1 did not become active"
}
# click_in <window> <x> <y> [button]: a click at a point inside the window (below its frame).
click_in() {
    xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"
}

start_velmora() {
    [ -n "$receiver_pid" ] || start_receiver || return 1
    # The program reads velmora.ini beside its executable; a copy of its own keeps every run's
    # settings apart from the build tree and from the player's.
    rm -rf "$work/run/home"
    mkdir -p "$work/run/home" && chmod 700 "$work/run/home"
    [ -e "$work/run/velmora" ] || cp "$velmora_build" "$(dirname "$velmora_build")/velmora-synth.so" "$work/run/"
    printf '[window]\nLeft=420\nTop=80\nWidth=345\nHeight=246\n[dev]\nDev_num=99\ngakki=receiver:in\nmap=4\n' \
        >"$work/run/velmora.ini"
    start_mark=$(byte_count)
    HOME="$work/run/home" XDG_CONFIG_HOME="$work/run/home/.config" XDG_RUNTIME_DIR="$work/run/home" \
        "$work/run/velmora" >"$work/velmora.log" 2>&1 &
    velmora_pid=$!
    wait_until 30 window_shown 調整 && wait_until 10 window_shown Velmora ||
        { fail "the program's windows did not show"; tail -n 20 "$work/velmora.log" >&2; return 1; }
    main_window=$(window_named Velmora)
    adjustment_window=$(window_named 調整)
    wait_until 20 first_challenge_received || { fail "the first challenge never arrived"; return 1; }
    program_fresh=yes
}
program_left_jack() { ! timeout 5 jack_lsp 2>/dev/null | grep -q '^Velmora'; }
first_challenge_received() { [ -n "$(tunings_since "$start_mark")" ]; }
stop_velmora() {
    [ -n "$velmora_pid" ] || return 0
    stop_process "$velmora_pid"
    velmora_pid=""
    # A JACK client that opens while the server still removes the stopped one can hang.
    wait_until 10 program_left_jack || fail "the stopped program's JACK port stayed"
}

# Main-window points, below the menu bar: the keyboard's C5, the reference button, the device list.
menu_height() { echo 20; }
settle() {
    # Plays C5 with the mouse and waits for its note-off: everything the program sent before has
    # arrived by then.
    local mark
    mark=$(byte_count)
    click_in "$main_window" 270 $(($(menu_height) + 95))
    wait_for_bytes "$mark" "80 48 7F"
}

# The results window's report, copied by its button, from the clipboard.
clipboard_has_report() { xclip -o -selection clipboard 2>/dev/null | grep -q 調律開始時刻; }
copy_report() {
    local results
    results=$(window_named 正解表示)
    printf '' | xclip -selection clipboard
    click_in "$results" 132 404
    wait_until 10 clipboard_has_report || fail "no report on the clipboard"
}
# report_line <start>: the first line of the last report that begins with <start>.
report_line() { xclip -o -selection clipboard | tr -d '\r' | grep "^$1" | tail -n 1; }
seconds_of_day() { local h m s; IFS=: read -r h m s <<<"$1"; echo $((10#$h * 3600 + 10#$m * 60 + 10#$s)); }

# ---- Cases ------------------------------------------------------------------------------------
# They run in this order, sharing one program while it stays at rest (see the runner).

# Tab moves from the first slider to the second; Right steps it once and re-sends the tuning.
case_tab_and_arrow_step_a_slider() {
    local mark expected
    fresh_program || return 1 # the first slider has the focus
    expected=$(stepped_up 1 "$(current_tuning)")
    activate "$adjustment_window" || return 1
    mark=$(byte_count)
    xdotool key Tab Right
    settle || return 1
    [ "$(tunings_since "$mark" | tr '\n' '|')" = "$expected|" ] ||
        fail "expected one tuning with C# one step up, got: $(tunings_since "$mark" | tr '\n' '|')"
}

# A held key sounds one note-on and one note-off, in both windows.
case_held_key_sounds_once() {
    local window mark
    for window in "$main_window" "$adjustment_window"; do
        activate "$window" || return 1
        mark=$(byte_count)
        xdotool keydown a
        sleep 1.5
        xdotool keyup a
        settle || return 1
        [ "$(bytes_since "$mark" | grep -c '^[89]0 35')" = 2 ] && has_bytes_since "$mark" "90 35 64" &&
            has_bytes_since "$mark" "80 35 7F" ||
            fail "holding A sent $(bytes_since "$mark" | grep -c '^90 35') note-ons" || return 1
    done
}

# Holding the space bar presses the pedal once and lifts it once, at the real release.
case_held_space_lifts_the_pedal_once() {
    local mark pedal
    activate "$main_window" || return 1
    mark=$(byte_count)
    xdotool keydown space
    sleep 1.5
    xdotool keyup space
    settle || return 1
    pedal=$(bytes_since "$mark" | grep '^B0 40' | tr '\n' ,)
    [ "$pedal" = "B0 40 7F,B0 40 00," ] || fail "pedal messages: $pedal"
}

# The space bar in the adjustment window is the pedal and nothing else.
case_space_in_the_adjustment_window_keeps_the_challenge() {
    local mark
    activate "$adjustment_window" || return 1
    mark=$(byte_count)
    xdotool key space
    settle || return 1
    has_bytes_since "$mark" "B0 40 00" || fail "no pedal" || return 1
    ! window_shown 正解表示 || fail "the space bar ran the answer check"
}

# The open device list takes only the keys that move in it and choose; the window's keys still
# play, and Tab closes it without switching the device.
case_device_list_lets_tab_through() {
    local mark
    activate "$main_window" || return 1
    mark=$(byte_count)
    click_in "$main_window" 240 $(($(menu_height) + 131)) # opens the list
    xdotool key a space
    xdotool key Tab    # closes the list; the focus goes on to the reference button
    xdotool key Return # which sounds the reference A
    settle || return 1
    has_bytes_since "$mark" "80 35 7F" || fail "A played nothing while the list was open" || return 1
    has_bytes_since "$mark" "B0 40 00" || fail "space played nothing while the list was open" || return 1
    ! has_bytes_since "$mark" "B9 78 00" || fail "the device was switched" || return 1
    has_bytes_since "$mark" "81 45 7F" || fail "Tab did not reach the reference button"
}

# "A音" clicked keeps the focus, and sounds for its own key alone: a piano key plays its note, Alt
# alone plays nothing, Return held sounds the reference A until its release, also when Tab moved
# the focus on meanwhile.
case_reference_a_sounds_for_return_alone() {
    local mark
    activate "$main_window" || return 1
    click_in "$main_window" 40 $(($(menu_height) + 132)) # focuses "A音"
    settle || return 1
    mark=$(byte_count)
    xdotool key k
    xdotool key alt
    xdotool key Escape # Alt alone may have taken the menu bar
    settle || return 1
    [ "$(bytes_since "$mark" | grep -v '^[89]0 48' | tr '\n' ,)" = "90 41 64,80 41 7F," ] ||
        fail "K and Alt on A音 sent $(bytes_since "$mark" | tr '\n' ,)" || return 1
    click_in "$main_window" 40 $(($(menu_height) + 132))
    settle || return 1
    mark=$(byte_count)
    xdotool keydown Return
    wait_for_bytes "$mark" "91 45 64" || return 1
    xdotool key Tab
    xdotool keyup Return
    settle || return 1
    [ "$(bytes_since "$mark" | grep -c '^[89]1 45')" = 2 ] && has_bytes_since "$mark" "81 45 7F" ||
        fail "Return: reference messages $(bytes_since "$mark" | grep '^[89]1 45' | tr '\n' ,)"
}

# An Alt chord is a shortcut or nothing: Alt+W and Alt+K play no note, the menus' Alt+S, Alt+R and
# Alt+P and the hint's Alt+H leave no note-off behind. The hint closes by Escape.
case_alt_chords_play_nothing() {
    local mark keys
    activate "$main_window" || return 1
    mark=$(byte_count)
    xdotool key alt+w alt+k
    for keys in alt+s alt+r alt+p; do
        xdotool key "$keys"
        xdotool key Escape Escape
    done
    xdotool key alt+h
    wait_until 10 window_shown ヒント || fail "Alt+H did not open the hint" || return 1
    activate "$(window_named ヒント)" || return 1
    xdotool key Escape
    wait_until 10 window_hidden ヒント || fail "Escape did not close the hint" || return 1
    activate "$main_window" || return 1
    settle || return 1
    ! bytes_since "$mark" | grep -qv '^[89]0 48' ||
        fail "Alt chords sent $(bytes_since "$mark" | grep -v '^[89]0 48' | tr '\n' ,)"
}

# A piano key held on the instrument dialog's list plays its note and never picks an instrument by
# its letter (holding "o" went to Overdrive Gt., then Orchest.Hit).
case_piano_keys_leave_the_instrument_list_alone() {
    local mark dialog
    fresh_program || return 1 # no slider moved yet: the instrument can be chosen
    activate "$main_window" || return 1
    open_menu 20 || return 1
    xdotool key Down Down Return # 楽器の設定
    wait_until 10 window_shown 楽器の設定 || fail "no instrument dialog" || return 1
    dialog=$(window_named 楽器の設定)
    activate "$dialog" || return 1
    mark=$(byte_count)
    xdotool keydown o
    sleep 1 # held, with its auto-repeat
    xdotool keyup o
    xdotool key o
    wait_until 10 o_released_twice "$mark" || fail "o did not play" || return 1
    xdotool key Escape
    wait_until 10 window_hidden 楽器の設定 || fail "the instrument dialog stayed" || return 1
    settle || return 1
    ! bytes_since "$mark" | grep -q '^C[01]' ||
        fail "the instrument changed: $(bytes_since "$mark" | grep '^C[01]' | tr '\n' ,)"
}
o_released_twice() { [ "$(bytes_since "$1" | grep -cx '80 42 7F')" = 2 ]; }

# The JACK server and the receiver stopped and started again mid-challenge: the next slider step
# reaches the receiver after a GS reset, with the player's tuning.
case_a_restarted_jack_server_gets_the_challenge_again() {
    local mark expected
    expected="F0 41 10 42 12 40 00 7F 00 41 F7|$(scale_tuning_message "$(stepped_up 0 "$(current_tuning)")")|"
    stop_receiver
    stop_jack
    start_jack
    start_receiver || return 1
    mark=$(byte_count)
    click_in "$adjustment_window" 153 32 # C one step up
    wait_until 10 tuning_arrived_since "$mark" || fail "no tuning after the restart" || return 1
    [ "$(bytes_since "$mark" | tr '\n' '|')" = "$expected" ] ||
        fail "expected $expected, got $(bytes_since "$mark" | tr '\n' '|')"
}
tuning_arrived_since() { [ -n "$(tunings_since "$1")" ]; }

# One click on a slider's arrow while the device is gone: one message box, and when the device is
# back, the tuning it gets has that slider one step up.
case_arrow_click_with_a_failing_device_steps_once() {
    local mark expected
    expected=$(stepped_up 0 "$(current_tuning)")
    stop_receiver
    click_in "$adjustment_window" 153 32 # C one step up
    wait_until 10 boxes_shown || fail "no message box" || return 1
    activate "$(visible_boxes | tail -n 1)" && xdotool key Return
    wait_until 5 no_box_shown || fail "the message box stayed" || return 1
    # A second box would be a second step: the arrow repeating while the first box was open.
    ! wait_until 2 boxes_shown || fail "a second message box for one click" || return 1
    start_receiver || return 1
    mark=$(byte_count)
    settle || return 1
    [ "$(tunings_since "$mark" | tr '\n' '|')" = "$expected|" ] ||
        fail "expected one tuning with C one step up, got: $(tunings_since "$mark" | tr '\n' '|')"
}
boxes_shown() { [ "$(box_count)" -gt 0 ]; }
no_box_shown() { [ "$(box_count)" -eq 0 ]; }

# "もう一度挑戦" held down with either mouse button: the next challenge starts at the release.
case_retry_by_mouse_starts_at_the_release() {
    local button results released start mark
    for button in 1 3; do
        click_in "$adjustment_window" 92 428 # the answer check
        wait_until 10 window_shown 正解表示 || fail "no results window" || return 1
        results=$(window_named 正解表示)
        mark=$(byte_count)
        xdotool mousemove --window "$results" 80 468 mousedown "$button"
        # The press sends the next challenge; held on well past it, so that a start time taken at
        # the press lies a second or more before the release.
        wait_until 10 tuning_arrived_since "$mark" || fail "the press sent no challenge" || return 1
        sleep 2.5
        released=$(date +%T)
        xdotool mouseup "$button"
        wait_until 10 window_hidden 正解表示 || fail "the results window stayed" || return 1
        settle || return 1
        start=$(start_of_the_next_check) || return 1
        [ "$(seconds_of_day "$start")" -ge "$(seconds_of_day "$released")" ] ||
            fail "button $button: the challenge started at $start, before the release at $released" || return 1
        next_challenge || return 1
    done
}
window_hidden() { ! window_shown "$1"; }
# The start time (HH:MM:SS) the report gives for the challenge the answer button checks now.
start_of_the_next_check() {
    click_in "$adjustment_window" 92 428
    wait_until 10 window_shown 正解表示 || fail "no results window after the retry" || return 1
    copy_report || return 1
    report_line 調律開始時刻 | grep -o '[0-9]*:[0-9][0-9]:[0-9][0-9]'
}
# From the results window on to the next challenge, by mouse.
next_challenge() {
    click_in "$(window_named 正解表示)" 80 468
    wait_until 10 window_hidden 正解表示 || fail "the results window stayed"
}

# Enter presses the focused push button: Shift+Tab from the first slider goes round to the answer
# button, Enter checks the answer.
case_enter_presses_the_focused_button() {
    fresh_program || return 1 # the first slider has the focus
    activate "$adjustment_window" || return 1
    xdotool key shift+Tab Return
    wait_until 10 window_shown 正解表示 || fail "Enter on the focused answer button did nothing" || return 1
    next_challenge
}

# A key and the pedal held in the adjustment window while the focus moves on (to the results
# window, the hint window, the history window, a menu opened by the mouse, the two settings
# dialogs, the beat window) are released there:
# one note-off and one pedal-off each. Where the focus goes to another program, which gets the
# release, the program releases them when it loses the keyboard.
case_held_key_and_pedal_are_released_wherever_the_focus_went() {
    local place mark
    for place in results hint history menu difficulty instrument beats other_program; do
        activate "$adjustment_window" || return 1
        mark=$(byte_count)
        xdotool keydown a keydown space
        wait_for_bytes "$mark" "B0 40 7F" || return 1
        move_focus_to "$place" || return 1
        xdotool keyup a keyup space
        wait_for_bytes "$mark" "80 35 7F" && wait_for_bytes "$mark" "B0 40 00" || fail "$place" || return 1
        leave "$place" || return 1
        settle || return 1 # a second note-off or pedal-off would have arrived by now
        [ "$(bytes_since "$mark" | grep -cx '80 35 7F')" = 1 ] && [ "$(bytes_since "$mark" | grep -cx 'B0 40 00')" = 1 ] ||
            fail "$place: $(bytes_since "$mark" | grep -E '^(80 35|B0 40)' | tr '\n' ,)" || return 1
    done
}
visible_window_count() { xdotool search --all --onlyvisible --pid "$velmora_pid" 2>/dev/null | grep -c .; }
more_windows_than() { [ "$(visible_window_count)" -gt "$1" ]; }
# open_menu <x>: opens the main window's menu whose title lies at <x> in the menu bar.
open_menu() {
    local before
    before=$(visible_window_count)
    click_in "$main_window" "$1" 10
    wait_until 5 more_windows_than "$before" || fail "no menu opened"
}
move_focus_to() {
    case $1 in
    results)
        click_in "$adjustment_window" 92 428
        wait_until 10 window_shown 正解表示 || fail "no results window" ;;
    hint)
        click_in "$main_window" 112 $(($(menu_height) + 132))
        wait_until 10 window_shown ヒント || fail "no hint window" ;;
    history)
        open_menu 70 || return 1
        xdotool key Down Return
        wait_until 10 window_shown 成績の推移 || fail "no history window" ;;
    menu) open_menu 20 ;;
    difficulty | instrument | beats)
        open_menu "$([ "$1" = beats ] && echo 125 || echo 20)" || return 1
        if [ "$1" = instrument ]; then xdotool key Down Down Return; else xdotool key Down Return; fi
        wait_until 10 window_shown "$(title_of "$1")" || fail "no $1 window" || return 1
        activate "$(window_named "$(title_of "$1")")" ;;
    other_program)
        xmessage -title other-program "another program" >/dev/null 2>&1 &
        other_program_pid=$!
        wait_until 10 other_program_shown || fail "the other program's window did not show" || return 1
        activate "$(xdotool search --all --onlyvisible --name '^other-program$' | head -n 1)" ;;
    esac
}
title_of() {
    case $1 in
    difficulty) echo 難易度の設定 ;;
    instrument) echo 楽器の設定 ;;
    beats) echo うなりの聴き比べ ;;
    esac
}
other_program_shown() { xdotool search --all --onlyvisible --name '^other-program$' >/dev/null 2>&1; }
leave() {
    case $1 in
    results) next_challenge ;;
    hint | history)
        activate "$(window_named "$([ "$1" = hint ] && echo ヒント || echo 成績の推移)")" || return 1
        xdotool key alt+F4
        wait_until 10 window_hidden "$([ "$1" = hint ] && echo ヒント || echo 成績の推移)" || fail "$1 stayed" ;;
    menu) xdotool key Escape ;;
    difficulty | instrument | beats)
        xdotool key Escape
        wait_until 10 window_hidden "$(title_of "$1")" || fail "$1 stayed" ;;
    other_program)
        stop_process "$other_program_pid"
        other_program_pid=""
        activate "$adjustment_window" ;;
    esac
}

# The space bar on a focused button is the pedal and nothing else: "答え合わせ" checks nothing,
# "ヒント" opens nothing, "A音" sounds no reference A.
case_space_on_a_focused_button_is_only_the_pedal() {
    local button mark
    fresh_program || return 1 # the first slider has the focus
    for button in answer hint reference; do
        focus_button "$button" || return 1
        mark=$(byte_count)
        xdotool key space
        settle || return 1
        [ "$(bytes_since "$mark" | grep -v '^[89]0 48' | tr '\n' ,)" = "B0 40 7F,B0 40 00," ] ||
            fail "$button: $(bytes_since "$mark" | tr '\n' ,)" || return 1
        ! window_shown 正解表示 && ! window_shown ヒント || fail "$button: the space bar opened a window" || return 1
    done
}
# The buttons of the main window keep the focus while settle clicks its keyboard; the adjustment
# window would lose it to the main window, so its answer button is focused after settling.
focus_button() {
    case $1 in
    answer)
        settle || return 1
        activate "$adjustment_window" || return 1
        xdotool key shift+Tab ;; # from the first slider round to the answer button
    hint)
        activate "$main_window" || return 1
        click_in "$main_window" 40 $(($(menu_height) + 132)) # "A音", then on to "ヒント"
        xdotool key Tab
        settle ;; # the reference A of the click and the Tab has ended
    reference)
        activate "$main_window" || return 1
        click_in "$main_window" 40 $(($(menu_height) + 132))
        settle ;;
    esac
}

# Right after the answer check the results window has the focus, and the keys still play.
case_keys_play_right_after_the_check() {
    local mark
    click_in "$adjustment_window" 92 428
    wait_until 10 window_shown 正解表示 || fail "no results window" || return 1
    wait_until 5 is_active "$(window_named 正解表示)" || fail "the results window did not take the focus" || return 1
    mark=$(byte_count)
    xdotool key s
    wait_for_bytes "$mark" "80 37 7F" || return 1
    next_challenge
}

# Closing the results window with Alt+F4 starts the next challenge, and that challenge's report
# counts from then.
case_alt_f4_on_the_results_starts_the_clock() {
    closing_the_results_starts_the_clock close_by_alt_f4
}
# The same with a click on the close button the window manager draws in the title bar.
case_close_box_on_the_results_starts_the_clock() {
    closing_the_results_starts_the_clock close_by_close_box
}
close_by_alt_f4() { xdotool key alt+F4; }
# Openbox puts the close button last in the title bar: half a title bar's height in from the
# frame's top-right corner.
close_by_close_box() {
    local left top right bottom extents
    read -r left top right bottom < <(frame_of "$1")
    extents=$(xprop -id "$(window_named "$1")" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$' | tr -d ' ')
    IFS=, read -r -a extents <<<"$extents"
    xdotool mousemove $((right - extents[2] / 2 - 2)) $((top + extents[2] / 2)) click 1
}
closing_the_results_starts_the_clock() {
    local closed start
    click_in "$adjustment_window" 92 428
    wait_until 10 window_shown 正解表示 || fail "no results window" || return 1
    sleep 2 # the time a player reads the results: a start time kept from before lies before it
    activate "$(window_named 正解表示)" || return 1
    closed=$(date +%T)
    "$1" 正解表示
    wait_until 10 window_hidden 正解表示 || fail "the results window stayed" || return 1
    settle || return 1
    start=$(start_of_the_next_check) || return 1
    [ "$(seconds_of_day "$start")" -ge "$(seconds_of_day "$closed")" ] ||
        fail "the challenge started at $start, before the results closed at $closed" || return 1
    next_challenge
}

# A difficulty change after the check starts the next challenge as a retry does: the results
# window goes, and the new challenge can be played and checked.
case_difficulty_change_after_the_check() {
    local mark
    click_in "$adjustment_window" 92 428
    wait_until 10 window_shown 正解表示 || fail "no results window" || return 1
    open_menu 20 || return 1
    xdotool key Down Return # 難易度の設定
    wait_until 10 window_shown 難易度の設定 || fail "no difficulty dialog" || return 1
    activate "$(window_named 難易度の設定)" || return 1
    mark=$(byte_count)
    xdotool key Down # 上級
    wait_until 10 window_hidden 正解表示 || fail "the results window stayed" || return 1
    wait_until 10 tuning_arrived_since "$mark" || fail "no new challenge" || return 1
    xdotool key alt+F4 # the dialog hides
    mark=$(byte_count)
    click_in "$adjustment_window" 153 32 # C one step up
    wait_until 10 tuning_arrived_since "$mark" || fail "the slider is locked" || return 1
    click_in "$adjustment_window" 92 428
    wait_until 10 window_shown 正解表示 || fail "the answer button is locked" || return 1
    next_challenge
}

# An exam of ten minutes, chosen in its dialog with keys, from the main window's menu; the
# adjustment window's title gives the minutes left.
start_ten_minute_exam() {
    open_menu 125 || return 1
    xdotool key Down Down Return # 検定モード(X)…
    wait_until 10 window_shown 検定モード || fail "no exam dialog" || return 1
    activate "$(window_named 検定モード)" || return 1
    xdotool key Up alt+s # 20 minutes → 10, then 開始(S)
    wait_until 10 window_shown '調整 残り10分' || fail "no ten minutes in the title" || return 1
}

# An answer checked before the time is up reports the examiners' score at 特級 with the limit. (The
# clock running out is long_case_exam_clock_runs_out below.) The next challenge is the normal
# game's again.
case_exam_shows_its_time_and_checks_early() {
    start_ten_minute_exam || return 1
    click_in "$adjustment_window" 92 428
    wait_until 10 window_shown 正解表示 || fail "no results window" || return 1
    copy_report || return 1
    [ "$(report_line 難易度)" = 難易度：特級 ] || fail "$(report_line 難易度)" || return 1
    report_line 検定式の得点 | grep -q '^検定式の得点：.*点　\(合格\|不合格\)$' ||
        fail "no examiners' score: $(report_line 検定式の得点)" || return 1
    report_line 制限時間 | grep -q '^制限時間：10分　所要時間：' || fail "$(report_line 制限時間)" || return 1
    next_challenge || return 1
    wait_until 10 window_shown 調整 || fail "the exam's title stayed"
}

# A ten-minute exam left to run out, with two sliders moved: at zero the answer is checked by
# itself, with the sliders as they stood, and the report gives the whole ten minutes. It takes
# ten minutes, so it runs only when named (its own ctest, test_exam_clock).
player_column() { report_line "$1" | sed 's/　/ /g' | tr -s ' ' | cut -d ' ' -f 2; }
long_case_exam_clock_runs_out() {
    local mark began elapsed
    fresh_program || return 1 # the first slider has the focus
    start_ten_minute_exam || return 1
    began=$SECONDS
    activate "$adjustment_window" || return 1
    mark=$(byte_count)
    xdotool key Right Right Tab Left
    wait_until 10 tuning_moved "$mark" 3 || fail "the sliders sent no tuning" || return 1
    wait_until 660 window_shown 正解表示 || fail "the clock ran out without a check" || return 1
    elapsed=$((SECONDS - began))
    [ "$elapsed" -ge 595 ] || fail "checked after $elapsed s" || return 1
    window_shown '調整 検定終了' || fail "the adjustment window does not say the exam ended" || return 1
    copy_report || return 1
    [ "$(player_column 'C ')" = 2 ] && [ "$(player_column 'C#')" = -1 ] ||
        fail "the player's column: C $(player_column 'C '), C# $(player_column 'C#')" || return 1
    [ "$(report_line 制限時間)" = 制限時間：10分　所要時間：00:10:00 ] || fail "$(report_line 制限時間)" || return 1
    next_challenge
}

# The beat window opened from the menu with keys: its first "再生" sends exactly the note-ons of
# A3 and A4 on channel 1, their note-offs about 4 s later; pressed again while they sound, it stops
# them at once. The window is closed again, so that it covers nothing of the next case.
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The wire stays quiet for half a second: a check run left by the case before has ended.
wire_quiet() {
    local before
    before=$(byte_count)
    sleep 0.5
    [ "$(byte_count)" = "$before" ]
}
case_beat_window_plays_a_step_for_four_seconds() {
    local mark beats sounded elapsed
    wait_until 20 wire_quiet || fail "the program kept sending" || return 1
    activate "$main_window" || return 1
    xdotool key alt+p b # 練習(P), うなりの聴き比べ(B)
    wait_until 10 window_shown うなりの聴き比べ || fail "the beat window did not open" || return 1
    beats=$(window_named うなりの聴き比べ)
    activate "$beats" || return 1
    mark=$(byte_count)
    xdotool key Return # the first "再生" has the focus
    wait_for_bytes "$mark" "90 45 64" || return 1
    sounded=$(now_ms)
    [ "$(bytes_since "$mark" | grep -c '^9')" = 2 ] && has_bytes_since "$mark" "90 39 64" ||
        fail "note-ons: $(bytes_since "$mark" | grep '^9' | tr '\n' ,)" || return 1
    wait_for_bytes "$mark" "80 45 7F" || return 1
    elapsed=$(($(now_ms) - sounded))
    has_bytes_since "$mark" "80 39 7F" && [ "$elapsed" -ge 3800 ] && [ "$elapsed" -le 6000 ] ||
        fail "note-offs after $elapsed ms: $(bytes_since "$mark" | tr '\n' ,)" || return 1
    mark=$(byte_count)
    xdotool key Return
    wait_for_bytes "$mark" "90 45 64" || return 1
    sounded=$(now_ms)
    xdotool key Return
    wait_for_bytes "$mark" "80 45 7F" || return 1
    elapsed=$(($(now_ms) - sounded))
    [ "$elapsed" -lt 2000 ] || fail "the second press stopped the notes after $elapsed ms" || return 1
    xdotool key alt+F4 # openbox closes the active window: the beat window
    wait_until 10 window_hidden うなりの聴き比べ || fail "the beat window did not close"
}

# The beat-speed comparison opened from the menu with keys: the trial's scale tuning (one pitch
# class off), the first interval's two note-ons, about 3 s later their note-offs and the second's
# note-ons, 3 s after that their note-offs. The key 2 pressed while the pair plays answers nothing;
# the key 1 after it does, and the next pair follows. Closed, the window gives channel 1 the
# challenge's tuning back.
note_ons_since() { bytes_since "$1" | grep -c '^90 '; }
two_note_ons_since() { [ "$(note_ons_since "$1")" -ge 2 ]; }
off_classes() { tr ' ' '\n' <<<"$1" | grep -c -v -e '^40$' -e '^$'; }
case_beat_comparison_answers_by_key_after_the_pair() {
    local mark challenge trial second_on pair elapsed
    wait_until 20 wire_quiet || fail "the program kept sending" || return 1
    challenge=$(current_tuning)
    activate "$main_window" || return 1
    mark=$(byte_count)
    xdotool key alt+p c # 練習(P), うなりの速さ比べ(C)
    wait_until 10 window_shown うなりの速さ比べ || fail "the comparison window did not open" || return 1
    wait_until 10 two_note_ons_since "$mark" || fail "the first interval never sounded" || return 1
    trial=$(tunings_since "$mark" | tail -n 1)
    [ "$(off_classes "$trial")" = 1 ] || fail "the trial's tuning is not one class off: $trial" || return 1
    activate "$(window_named うなりの速さ比べ)" || return 1
    pair=$(now_ms)
    xdotool key 2 # while the first interval sounds: no answer
    wait_until 10 has_bytes_since "$mark" "$(bytes_since "$mark" | grep '^90 ' | head -n 1 | sed 's/^90 \(..\) 64$/80 \1 7F/')" ||
        fail "the first interval never ended" || return 1
    second_on=$((mark + $(bytes_since "$mark" | grep -n '^80 ' | tail -n 1 | cut -d: -f1)))
    wait_until 10 two_note_ons_since "$second_on" || fail "the second interval never sounded" || return 1
    wait_until 10 bytes_since_have_two_offs "$second_on" || fail "the second interval never ended" || return 1
    elapsed=$(($(now_ms) - pair))
    [ "$elapsed" -ge 4500 ] && [ "$elapsed" -le 8000 ] || fail "the pair lasted $elapsed ms" || return 1
    [ "$(note_ons_since "$mark")" = 4 ] || fail "the key 2 answered during the pair" || return 1
    mark=$(byte_count)
    xdotool key 1
    wait_until 10 two_note_ons_since "$mark" || fail "the key 1 did not answer: no next pair" || return 1
    mark=$(byte_count)
    xdotool key alt+F4 # openbox closes the active window: the comparison window
    wait_until 10 window_hidden うなりの速さ比べ || fail "the comparison window did not close" || return 1
    wait_until 10 tuning_arrived_since "$mark" || fail "the challenge's tuning never came back" || return 1
    [ "$(current_tuning)" = "$challenge" ] || fail "channel 1 kept $(current_tuning), not $challenge"
}
bytes_since_have_two_offs() { [ "$(bytes_since "$1" | grep -c '^80 ')" -ge 2 ]; }

# The unison opened from the menu with keys: channel 3 gets the piano and the registered fine
# tuning, then the key sounds on channels 1 and 3; one Right on the slider moves the fine tuning
# by a tenth of a cent (8 or 9 of its 14-bit steps); closed, both strings stop, channel 3's fine
# tuning is back at its centre and channel 1 has the challenge's tuning again.
fine_tuning_values() {
    local status controller value msb=0
    while read -r status controller value; do
        [ "$status" = B2 ] || continue
        case $controller in
        06) msb=$((16#$value)) ;;
        26) echo $((msb * 128 + 16#$value)) ;;
        esac
    done < <(bytes_since "$1")
}
has_fine_tuning_since() { [ -n "$(fine_tuning_values "$1")" ]; }
case_unison_second_string_on_channel_3() {
    local mark key before after challenge
    wait_until 20 wire_quiet || fail "the program kept sending" || return 1
    challenge=$(current_tuning)
    activate "$main_window" || return 1
    mark=$(byte_count)
    xdotool key alt+p u # 練習(P), ユニゾン(U)
    wait_until 10 window_shown ユニゾン || fail "the unison window did not open" || return 1
    wait_until 10 bytes_since_have_note_on_3 "$mark" || fail "the second string never sounded" || return 1
    key=$(bytes_since "$mark" | sed -n 's/^92 \(..\) 64$/\1/p' | head -n 1)
    has_bytes_since "$mark" "90 $key 64" && has_bytes_since "$mark" "C2 00" && has_bytes_since "$mark" "B2 65 00" &&
        has_bytes_since "$mark" "B2 64 01" || fail "channel 3: $(bytes_since "$mark" | tr '\n' ,)" || return 1
    before=$(fine_tuning_values "$mark" | tail -n 1)
    activate "$(window_named ユニゾン)" || return 1
    xdotool key alt+a
    mark=$(byte_count)
    xdotool key Right
    wait_until 10 has_fine_tuning_since "$mark" || fail "the slider sent no fine tuning" || return 1
    after=$(fine_tuning_values "$mark" | tail -n 1)
    [ $((after - before)) -ge 8 ] && [ $((after - before)) -le 9 ] ||
        fail "one step moved the fine tuning from $before to $after" || return 1
    mark=$(byte_count)
    xdotool key alt+F4 # openbox closes the active window: the unison window
    wait_until 10 window_hidden ユニゾン || fail "the unison window did not close" || return 1
    wait_for_bytes "$mark" "82 $key 7F" && wait_for_bytes "$mark" "80 $key 7F" || return 1
    wait_until 10 fine_tuning_centred "$mark" ||
        fail "channel 3's fine tuning stayed at $(fine_tuning_values "$mark" | tail -n 1)" || return 1
    wait_until 10 tuning_arrived_since "$mark" || fail "the challenge's tuning never came back" || return 1
    [ "$(current_tuning)" = "$challenge" ] || fail "channel 1 kept $(current_tuning), not $challenge"
}
bytes_since_have_note_on_3() { bytes_since "$1" | grep -q '^92 '; }
fine_tuning_centred() { [ "$(fine_tuning_values "$1" | tail -n 1)" = 8192 ]; }

# The tuning-fork clip played, then the main window closed: the program ends well.
# A whole challenge with the keyboard alone: sliders, the answer check, the report copied (twice,
# added once), the next challenge, each dialog opened and closed, the results window closed by
# Escape.
case_a_challenge_played_with_the_keyboard_alone() {
    local mark results
    fresh_program || return 1 # the first slider has the focus
    activate "$adjustment_window" || return 1
    mark=$(byte_count)
    xdotool key Right Tab Right Right
    wait_until 10 tuning_moved "$mark" 2 || fail "two slider rows did not both move" || return 1
    xdotool key shift+Tab shift+Tab Return # from C# back round to the answer button
    wait_until 10 window_shown 正解表示 || fail "Return on the answer button did nothing" || return 1
    results=$(window_named 正解表示)
    wait_until 5 is_active "$results" || fail "the results window did not take the keyboard" || return 1
    printf '' | xclip -selection clipboard
    xdotool key Tab Return Return # from "もう一度挑戦" on to the report's button
    wait_until 10 clipboard_has_report || fail "Return on the report's button copied nothing" || return 1
    [ "$(xclip -o -selection clipboard | grep -c 調律開始時刻)" = 1 ] ||
        fail "copying twice added the report twice" || return 1
    mark=$(byte_count)
    xdotool key shift+Tab Return
    wait_until 10 window_hidden 正解表示 || fail "Return on もう一度挑戦 did nothing" || return 1
    wait_until 10 tuning_moved "$mark" 1 || fail "no new challenge" || return 1
    activate "$main_window" || return 1
    open_and_close_by_keys alt+s n 難易度の設定 Escape || return 1
    open_and_close_by_keys alt+s g 楽器の設定 Escape || return 1
    open_and_close_by_keys alt+r k 成績の推移 Escape || return 1
    open_and_close_by_keys alt+h "" ヒント alt+F4 || return 1
    activate "$adjustment_window" || return 1
    xdotool key shift+Tab Return
    wait_until 10 window_shown 正解表示 || fail "the second check did not show" || return 1
    wait_until 5 is_active "$(window_named 正解表示)" || fail "results inactive" || return 1
    mark=$(byte_count)
    xdotool key Escape
    wait_until 10 window_hidden 正解表示 || fail "Escape did not close the results window" || return 1
    wait_until 10 tuning_moved "$mark" 1 || fail "Escape on the results started no challenge"
}
# tuning_moved <mark> <count>: at least <count> tunings were sent after <mark>.
tuning_moved() { [ "$(tunings_since "$1" | grep -c .)" -ge "$2" ]; }
# open_and_close_by_keys <key> <key or ""> <title> <closing key>: from the active main window.
open_and_close_by_keys() {
    local window
    xdotool key "$1" ${2:+"$2"}
    wait_until 10 window_shown "$3" || fail "$1 $2 did not open $3" || return 1
    window=$(window_named "$3")
    activate "$window" || return 1
    xdotool key "$4"
    wait_until 10 window_hidden "$3" || fail "$4 did not close $3" || return 1
    activate "$main_window"
}

# Every window, opened in turn, lies wholly on a 1024x768 screen at scale 1 and on a 1366x768 one
# at scale 1.25, title bar included: each of its controls can be reached without moving it. The
# main, adjustment and results windows stand side by side, none over another, and the hint and the
# dialogs open over neither the main nor the adjustment window.
case_every_window_fits_small_screens() {
    on_own_screen 1024x768 1 every_window_on_screen && on_own_screen 1366x768 1.25 every_window_on_screen
}
every_window_on_screen() {
    local keys first second title
    on_screen 調整 && on_screen Velmora || return 1
    activate "$adjustment_window" || return 1
    xdotool key shift+Tab Return
    wait_until 10 window_shown 正解表示 && on_screen 正解表示 || return 1
    apart Velmora 調整 && apart Velmora 正解表示 && apart 調整 正解表示 || return 1
    xdotool key Escape
    wait_until 10 window_hidden 正解表示 || fail "the results window stayed" || return 1
    activate "$main_window" || return 1
    for keys in "alt+s n 難易度の設定" "alt+s g 楽器の設定" "alt+r k 成績の推移" "alt+h - ヒント"; do
        read -r first second title <<<"$keys"
        activate "$main_window" || return 1
        xdotool key "$first"
        [ "$second" = - ] || xdotool key "$second"
        wait_until 10 window_shown "$title" && on_screen "$title" || return 1
        [ "$title" = 成績の推移 ] || { apart "$title" Velmora && apart "$title" 調整; } || return 1
    done
}
# frame_of <title>: left top right bottom of the window's frame (title bar and borders included).
frame_of() {
    local id left top right bottom extents
    id=$(window_named "$1")
    eval "$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {print "left=" $NF} /Absolute upper-left Y/ {print "top=" $NF}
        /^ *Width:/ {print "right=" $NF} /^ *Height:/ {print "bottom=" $NF}')"
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$' | tr -d ' ')
    IFS=, read -r -a extents <<<"${extents:-0,0,0,0}"
    echo $((left - extents[0])) $((top - extents[2])) $((left + right + extents[1])) $((top + bottom + extents[3]))
}
# on_screen <title>: the window's frame lies within the screen.
on_screen() {
    local left top right bottom width height
    read -r width height < <(xdotool getdisplaygeometry)
    read -r left top right bottom < <(frame_of "$1")
    [ "$left" -ge 0 ] && [ "$top" -ge 0 ] && [ "$right" -le "$width" ] && [ "$bottom" -le "$height" ] ||
        fail "$1 spans ($left,$top)-($right,$bottom) on a ${width}x$height screen"
}
# apart <title> <title>: the two windows' frames do not overlap.
apart() {
    local a b
    read -r -a a < <(frame_of "$1")
    read -r -a b < <(frame_of "$2")
    [ "${a[2]}" -le "${b[0]}" ] || [ "${b[2]}" -le "${a[0]}" ] || [ "${a[3]}" -le "${b[1]}" ] ||
        [ "${b[3]}" -le "${a[1]}" ] || fail "$1 (${a[*]}) covers part of $2 (${b[*]})"
}
# on_own_screen <width>x<height> <scale> <check>: runs <check> with a program of its own on an X
# server of that size, at that scale; the suite's screen and program come back afterwards.
on_own_screen() {
    local suite_display=$DISPLAY result
    stop_velmora
    start_x "$1"
    start_window_manager
    export QT_SCALE_FACTOR=$2
    start_velmora && "$3"
    result=$?
    stop_velmora
    unset QT_SCALE_FACTOR
    stop_process "${started[-1]}" # the window manager, then the X server
    stop_process "${started[-2]}"
    unset 'started[-1]' 'started[-1]'
    DISPLAY=$suite_display
    return $result
}

# Alt+F4 on the main window with the space bar held: the pedal goes up on the device before its
# tuning goes back to equal temperament, and the program ends.
case_pedal_held_at_quit_is_lifted() {
    local mark
    activate "$main_window" || return 1
    mark=$(byte_count)
    xdotool keydown space
    wait_for_bytes "$mark" "B0 40 7F" || return 1
    xdotool key alt+F4
    wait_until 20 process_gone "$velmora_pid" || fail "Alt+F4 did not end the program" || return 1
    xdotool keyup space
    velmora_pid=""
    bytes_since "$mark" | sed -n '/^B0 40 00$/,$p' | grep -q "^$(scale_tuning_message "$(printf '40 %.0s' {1..12})")$" ||
        fail "no pedal-up before the final tuning: $(bytes_since "$mark" | tr '\n' ,)"
}

# The device gone (the receiver's JACK port with it): closing the main window ends the program at
# once, with no box waiting for a click that could change nothing.
case_exit_with_the_device_gone_shows_no_box() {
    activate "$main_window" || return 1
    stop_receiver
    xdotool key alt+F4
    wait_until 20 process_gone "$velmora_pid" ||
        fail "the program did not end; boxes: $(box_count)" || return 1
    velmora_pid=""
}

case_exit_after_the_clip_is_clean() {
    local status
    activate "$main_window" || return 1
    click_in "$main_window" 40 $(($(menu_height) + 158)) # the version label plays the clip
    xdotool key alt+F4                                   # openbox closes the active window
    wait_until 20 process_gone "$velmora_pid" || fail "closing the main window did not end the program" ||
        return 1
    wait "$velmora_pid"
    status=$?
    velmora_pid=""
    [ $status -eq 0 ] || fail "exit status $status" || { tail -n 30 "$work/velmora.log" >&2; return 1; }
    ! grep -E 'Sanitizer|runtime error|corrupted|malloc' "$work/velmora.log" || fail "a report at exit"
}

# ---- Runner -----------------------------------------------------------------------------------
# One program serves case after case while it is at rest: running on the receiver, the main and
# adjustment windows shown, no results window, no message box. A case that leaves it otherwise, or
# fails, has it stopped, and the next case gets a new one; a case that needs it as it starts calls
# fresh_program.

program_at_rest() {
    [ -n "$velmora_pid" ] && [ -n "$receiver_pid" ] && ! process_gone "$velmora_pid" && no_box_shown &&
        window_hidden 正解表示 && window_shown 調整 && window_shown Velmora
}
restart_velmora() {
    stop_velmora
    start_velmora
}
fresh_program() { [ "$program_fresh" = yes ] || restart_velmora; }
# A program a case did not end is still running afterwards.
program_survived() {
    [ -z "$velmora_pid" ] || ! process_gone "$velmora_pid" ||
        { fail "the program ended on its own"; tail -n 30 "$work/velmora.log" >&2; false; }
}

start_x 1280x1024
start_window_manager
start_pulse
start_jack
cases=("$@")
[ ${#cases[@]} -gt 0 ] || mapfile -t cases < <(sed -n 's/^case_\([a-z0-9_]*\)() {$/\1/p' "${BASH_SOURCE[0]}")
failed=()
for name in "${cases[@]}"; do
    begin=$SECONDS
    run=case_$name
    declare -F "$run" >/dev/null || run=long_case_$name # run only when named
    if { program_at_rest || restart_velmora; } && "$run" && program_survived; then
        echo "PASS $name ($((SECONDS - begin)) s)"
    else
        [ -z "${VELMORA_SCREENSHOTS:-}" ] || import -window root "$VELMORA_SCREENSHOTS/$name.png"
        stop_velmora
        failed+=("$name")
        echo "FAIL $name" >&2
    fi
    program_fresh=no
done
stop_velmora
[ ${#failed[@]} -eq 0 ] || { echo "failed: ${failed[*]}" >&2; exit 1; }
