#!/usr/bin/env bash
# Announcements as text in the real program under Xvfb, against q7sim: Alt+A reads VFO A, then
# Ctrl+R says the same clips again with nothing sent to the radio, Ctrl+H opens the window
# "Vexalo announcements", where an AT-SPI reader finds the line of the readout, and
# --transcript has written that line to standard output.
# Usage: history_test.sh VEXALO Q7SIM
set -euo pipefail
vexalo=$1
q7sim=$2

LOGS="vexalo.log transcript.txt radio.log"
source "$(dirname "$0")/../support/desktop_session.sh"

start_radio "$q7sim" com1 radio.log
printf '1,0,#FALSE#\r\n' >vexalo.ini

QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    QT_LOGGING_RULES="vexalo.speech.debug=true" QT_MESSAGE_PATTERN='%{message}' \
    "$vexalo" --transcript >transcript.txt 2>vexalo.log &
vexalo_pid=$!
pids+=($vexalo_pid)
wait_for radio.log " cmd AI0;"

window=$(xdotool search --sync --onlyvisible --name "Vexalo V${VEXALO_VERSION_LABEL:?}" | head -n 1)
xdotool windowfocus --sync "$window"

xdotool key alt+a
wait_for transcript.txt '^14025\.00 A$'
readout=$(grep '^clip ' vexalo.log | tail -n 8)
commands=$(grep -c ' cmd ' radio.log)

xdotool key ctrl+r
wait_for transcript.txt '^14025\.00 A$' 2
[ "$(grep '^clip ' vexalo.log | tail -n 8)" = "$readout" ] || fail "the repeat said other clips"
[ "$(grep -c ' cmd ' radio.log)" = "$commands" ] || fail "the repeat sent a command"

xdotool key ctrl+h
/usr/bin/python3 - <<'PY' || fail "no history window with the readout's line on the accessibility bus"
import sys, time
import pyatspi

def lines(node, depth=0):
    if node is None or depth > 12:
        return
    if node.getRole() == pyatspi.ROLE_LIST_ITEM:
        yield node.name
    for child in node:
        yield from lines(child, depth + 1)

for _ in range(100):
    for app in pyatspi.Registry.getDesktop(0):
        for window in app or []:
            if window is not None and window.name == "Vexalo announcements":
                found = list(lines(window))
                if any(line.endswith("  14025.00 A") for line in found):
                    print("history lines:", found)
                    sys.exit(0)
    time.sleep(0.1)
sys.exit(1)
PY

kill -TERM "$vexalo_pid"
for _ in $(seq 100); do kill -0 "$vexalo_pid" 2>/dev/null || break; sleep 0.1; done
wait "$vexalo_pid" || fail "the program ended with status $?"
grep -q '^73$' transcript.txt || fail "the farewell is not in the transcript"
echo "1 passed, 0 failed"
