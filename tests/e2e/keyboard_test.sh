#!/usr/bin/env bash
# The operator's keys pressed into the real program's real X window (under Xvfb), with one
# simulated radio on com1 and another on com3: Ctrl+F3 moves to Comm3 and reruns the handshake
# there, Alt+A then asks the radio on com3, Alt+X ends the program and the choice is saved.
# Usage: keyboard_test.sh VEXALO Q7SIM
set -euo pipefail
vexalo=$1
q7sim=$2

LOGS="vexalo.log radio1.log radio3.log"
source "$(dirname "$0")/../support/desktop_session.sh"

start_radio "$q7sim" com1 radio1.log
start_radio "$q7sim" com3 radio3.log
printf '1,0,#FALSE#\r\n' >vexalo.ini

QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="vexalo.speech.debug=true" QT_MESSAGE_PATTERN='%{message}' \
    "$vexalo" 2>vexalo.log &
vexalo_pid=$!
pids+=($vexalo_pid)
wait_for radio1.log " cmd AI0;"

window=$(xdotool search --sync --onlyvisible --name "Vexalo V${VEXALO_VERSION_LABEL:?}" | head -n 1)
xdotool windowfocus --sync "$window"

xdotool key ctrl+F3
wait_for radio3.log " cmd AI0;"
grep -q "^clip comm$" vexalo.log || fail "the port choice was not spoken"
grep -q "^clip 3$" vexalo.log || fail "the port number was not spoken"
grep -q " cmd q72;" radio3.log || fail "no handshake on com3"

xdotool key alt+a
wait_for radio3.log " cmd FA;"
grep -q " cmd FA;" radio1.log && fail "the query went to the old port"

xdotool key alt+x
for _ in $(seq 100); do kill -0 "$vexalo_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$vexalo_pid" 2>/dev/null && fail "Alt+X did not end the program"
wait "$vexalo_pid" || fail "the program ended with status $?"
grep -q " cmd q70;" radio3.log || fail "the radio on com3 was not released"
[ "$(cat vexalo.ini)" = "$(printf '3,0,#FALSE#\r\n')" ] || fail "settings: $(cat -A vexalo.ini)"
grep -q "^clip 73s$" vexalo.log || fail "no farewell"
echo "1 passed, 0 failed"
