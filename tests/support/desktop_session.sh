# Shared by the scripts that drive the real program in an X session: the session itself (Xvfb
# with a D-Bus session of its own, which the accessibility bus needs: the script is run again
# there, once, with the same arguments), a scratch folder that goes away with every process
# started there, a simulated radio on a link in it, and waiting for a line in a log. LOGS names
# the files that a failure prints.

if [ -z "${VEXALO_DESKTOP_SESSION:-}" ]; then
    export VEXALO_DESKTOP_SESSION=1
    # Without auto-repeat: on a busy machine a key the script holds for 120 ms can reach the
    # server long after its press, and then repeats (Orca once said "o" ten times for Alt+O).
    exec xvfb-run -a -s "-screen 0 800x600x24 -r" dbus-run-session -- "$0" "$@" 2> >(
        grep -v -e 'Failed to set fd limit' -e 'dbus-daemon\[' -e 'SpiRegistry daemon' >&2)
fi

work=$(mktemp -d)
pids=()
# Asks PID to end and gives it five seconds to do so before it is killed.
stop() {
    local pid=$1
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do
        grep -qs '^State:[[:space:]]*[^Z]' "/proc/$pid/status" || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
# Stopped one by one, newest first, so that nothing loses what it talks to while it ends (a
# program its radio, a screen reader its speech server).
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

fail() {
    echo "FAILED: $*" >&2
    for f in ${LOGS:-}; do echo "--- $f" >&2; cat "$f" >&2 || true; done
    exit 1
}

# Waits up to ten seconds until FILE holds at least COUNT lines matching PATTERN.
wait_for() {
    local file=$1 pattern=$2 count=${3:-1}
    for _ in $(seq 100); do
        [ "$(grep -c -- "$pattern" "$file" 2>/dev/null)" -ge "$count" ] && return 0
        sleep 0.1
    done
    fail "fewer than $count '$pattern' in $file"
}

# Starts the simulated radio Q7SIM on the link LINK, logging to LOG, once the link exists.
start_radio() {
    local q7sim=$1 link=$2 log=$3
    "$q7sim" --fast --link "$link" --log "$log" 2>/dev/null &
    pids+=($!)
    for _ in $(seq 50); do [ -e "$link" ] && return 0; sleep 0.1; done
    fail "no $link"
}
