#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the JACK end-to-end suite against a private JACK server (dummy driver, no sound hardware)
# and a MIDI receiver; stops both and removes its files however the suite ends: passed, failed,
# crashed or out of time. The server the suite starts itself gets TERM from the kernel when the
# suite ends (PR_SET_PDEATHSIG): jackd leads a session of its own, so no process group reaches it.
# Usage: run_jack_end_to_end.sh <suite executable> <receiver executable>
set -u
suite=$1
receiver=$2

# A private server name: a player's own JACK server is never touched, and runs never meet.
export JACK_DEFAULT_SERVER="velmora-test-$$"
export JACK_NO_AUDIO_RESERVATION=1
# The server the suite starts and stops itself, to see a server come back.
export VELMORA_RETURNING_SERVER="$JACK_DEFAULT_SERVER-returning"
# The suite's own time, well below CTest's 120 s: CTest stops a test that overruns with SIGKILL,
# which no trap sees, and a JACK server killed so keeps its slot in JACK's registry of eight for
# good. The suite takes about 7 s in a Debug build; given TERM, Qt Test first writes a stack
# trace through gdb, which on a loaded machine can take half a minute.
suite_seconds=60
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-jack.XXXXXX")
started=()

# A JACK server given TERM may wait two of its client timeouts (5 s) for a client that hangs
# before it goes; KILL only after that.
stop_started() {
    local i pid
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        pid=${started[i]}
        kill -TERM "$pid" 2>/dev/null
        wait_for 300 process_gone "$pid" || kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    wait_for 300 server_gone "$VELMORA_RETURNING_SERVER" ||
        echo "The suite's own JACK server $VELMORA_RETURNING_SERVER is still running." >&2
    # What jackd leaves behind when it had to be killed or lost its clients; the names carry our
    # servers' names.
    rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"[_-]* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"[_-]*
    rm -rf "$work"
}
trap stop_started EXIT
trap 'exit 143' TERM INT HUP

# wait_for <tries> <command...>: runs the command every 50 ms until it succeeds, at most <tries> times.
wait_for() {
    local tries=$1
    shift
    for ((; tries > 0; tries--)); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}
process_gone() { ! kill -0 "$1" 2>/dev/null; }
server_running() { jack_wait --server "$1" --check 2>/dev/null | grep -qx running; }
server_gone() { ! server_running "$1"; }
receiver_ready() { grep -qsx ready "$work/receiver.err"; }

# start_server <name>: a JACK server on the dummy driver, up within 5 s.
start_server() {
    # Synchronous, with a generous client timeout: on a loaded machine without real-time
    # scheduling, a cycle waits for a late client instead of dropping its MIDI events.
    jackd --no-realtime --sync --timeout 5000 --name "$1" -d dummy --rate 48000 --period 256 >"$work/$1.log" 2>&1 &
    started+=($!)
    if ! wait_for 100 server_running "$1"; then
        echo "The JACK server $1 did not come up:" >&2
        cat "$work/$1.log" >&2
        exit 1
    fi
}

start_server "$JACK_DEFAULT_SERVER"
# A second server, which the suite stops itself to see a server go away under an open port.
export VELMORA_DOOMED_SERVER="$JACK_DEFAULT_SERVER-doomed"
start_server "$VELMORA_DOOMED_SERVER"
export VELMORA_DOOMED_SERVER_PID=${started[-1]}

"$receiver" receiver >"$work/received.txt" 2>"$work/receiver.err" &
started+=($!)
if ! wait_for 100 receiver_ready; then
    echo "The MIDI receiver did not come up:" >&2
    cat "$work/receiver.err" >&2
    exit 1
fi

# In the background, so that a TERM from CTest is handled at once and stops the suite too.
VELMORA_RECEIVER_PORT=receiver:in VELMORA_RECEIVED="$work/received.txt" VELMORA_RECEIVER_PROGRAM="$receiver" \
    timeout --kill-after=30 "$suite_seconds" "$suite" &
started+=($!)
wait "${started[-1]}"
status=$?
[ $status -ne 124 ] || echo "The suite took longer than $suite_seconds s." >&2
if [ $status -ne 0 ]; then
    echo "--- what the servers and the receiver said:" >&2
    tail -n 20 "$work"/*.log "$work/receiver.err" >&2
fi
exit $status
