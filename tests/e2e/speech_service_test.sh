#!/usr/bin/env bash
# Vexalo speaking through a real speech-dispatcher (private, espeak-ng into a private PulseAudio
# null sink that is recorded) against q7sim in Full Auto: reports are spoken in the words of the
# voice table, a newer report stops the older while it is spoken (only Vexalo's speech: another
# program's message goes on), a screen reader's speech at "text" priority does not cut Vexalo's,
# and sound reaches the sink. Then the service missing, killed and hanging: Vexalo goes on with
# the clips, nothing lost.
# Usage: speech_service_test.sh VEXALO Q7SIM
set -euo pipefail
SECONDS=0; mark() { echo "[$SECONDS s] $*" >&2; }
vexalo=$(readlink -f "$1")
q7sim=$(readlink -f "$2")
here=$(cd "$(dirname "$0")" && pwd)

LOGS="vexalo.log radio.log other.txt"
source "$here/../support/desktop_session.sh"
source "$here/../support/speech_services.sh"

start_pulseaudio
record_sink sink.raw

run_vexalo() { # settings; the rest goes to vexalo
    printf '%s\r\n' "$1" >vexalo.ini
    shift
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="vexalo.speech.debug=true" \
        QT_MESSAGE_PATTERN='%{message}' "$vexalo" "$@" >/dev/null 2>vexalo.log &
    vexalo_pid=$!
    pids+=($vexalo_pid)
}
stop_vexalo() {
    kill "$vexalo_pid"
    wait "$vexalo_pid" || fail "Vexalo did not end cleanly"
}
message_of() { # the id the service gave TEXT
    sed -n "s/^service: message \([0-9]*\): $1\$/\1/p" vexalo.log | head -n 1
}

# --- Through the service, against the radio.
mark "Through the service, against the radio."
start_speechd "$work/sd"
cat >scenario.q7s <<'SCENARIO'
wait 0.5
tune a +100
wait 0.8
tune a +100
SCENARIO
"$q7sim" --fast --link com1 --log radio.log --script scenario.q7s --script-after-ai2 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -e com1 ] && break; sleep 0.1; done
run_vexalo "1,3,#FALSE#" --speech=dispatcher

first="fourteen zero two five point one zero"
second="fourteen zero two five point two zero"
wait_for vexalo.log "^service: message [0-9]*: $first\$"
# Another program's message, queued behind Vexalo's readout while it is spoken.
/usr/bin/python3 "$here/other_speaker.py" message "another program" >other.txt &
pids+=($!)
wait_for vexalo.log "^stopped: passed over"
wait_for vexalo.log "^service: message [0-9]*: $second\$"
# A screen reader reading the window while Vexalo speaks.
sleep 0.3
screen_reader=$(/usr/bin/python3 "$here/other_speaker.py" text "Vexalo push button")
wait_for vexalo.log "^service: message $(message_of "$second") end"
wait_for other.txt "end"

grep -q "^service: message $(message_of "$first") cancel" vexalo.log ||
    fail "the stale readout was not stopped"
grep -q "^service: message $(message_of "$second") cancel" vexalo.log &&
    fail "the screen reader's speech cut Vexalo's"
grep -q "^clip " vexalo.log && fail "clips were played beside the service"
echo "screen reader's own message: $screen_reader"
stop_vexalo
/usr/bin/python3 - sink.raw <<'PY' || fail "no sound reached the sink"
import array, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
sys.exit(0 if samples and max(map(abs, samples)) > 1000 else 1)
PY

# --- The service missing: the clips, and a line saying so.
mark "The service missing: the clips, and a line saying so."
export SPEECHD_ADDRESS=unix_socket:$work/nothing-here.sock
run_vexalo "1,0,#TRUE#" --speech=dispatcher
wait_for vexalo.log "^clip q7_present"
grep -q "the recorded voice speaks" vexalo.log || fail "no line saying the service is missing"
grep -q "^clip dorvaneq7" vexalo.log || fail "the greeting was lost"
stop_vexalo

# --- The service hanging before Vexalo starts: the clips within the bound of a connection.
start_speechd "$work/sd-hung"
kill -STOP "$speechd_pid"
started=$(date +%s)
run_vexalo "1,0,#FALSE#" --speech=dispatcher
wait_for vexalo.log "^clip q7_present"
[ $(($(date +%s) - started)) -le 7 ] || fail "hung at start: the clips came only after the bound"
grep -q "does not answer" vexalo.log || fail "hung at start: not said why"
stop_vexalo
kill -CONT "$speechd_pid"

# --- The service killed, and then hanging, in the middle of an announcement: the rest in clips.
mark "The service killed, and then hanging, in the middle of an announcement: the rest in clips."
for fault in KILL STOP; do
    start_speechd "$work/sd-$fault"
    run_vexalo "1,0,#FALSE#" --speech=dispatcher
    wait_for vexalo.log "^service: message [0-9]*: Q 7 ready"
    kill -s "$fault" "$speechd_pid"
    started=$(date +%s)
    for _ in $(seq 150); do grep -q "^clip q7_present" vexalo.log && break; sleep 0.1; done
    grep -q "^clip q7_present" vexalo.log || fail "$fault: the announcement was lost"
    # "Q 7 ready" is three words: 3 s and half a second a word at the most.
    [ $(($(date +%s) - started)) -le 6 ] || fail "$fault: the clips came only after the bound"
    grep -q "speech service lost" vexalo.log || fail "$fault: not logged"
    # A killed service is seen at once, not only when the bound has passed.
    [ "$fault" = STOP ] || grep -q "lost (the speech service went away)" vexalo.log \
        || fail "KILL: found only by the bound"
    stop_vexalo
    [ "$fault" = STOP ] && kill -CONT "$speechd_pid"
done
echo "passed"
