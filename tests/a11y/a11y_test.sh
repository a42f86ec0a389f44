#!/usr/bin/env bash
# The real program as a screen reader meets it: under Xvfb with the accessibility bus on and
# the xcb platform, with a simulated radio on com1, read through AT-SPI by a11y_check.py.
# Usage: a11y_test.sh VEXALO Q7SIM
set -euo pipefail
vexalo=$(readlink -f "$1")
q7sim=$(readlink -f "$2")
here=$(cd "$(dirname "$0")" && pwd)

LOGS="vexalo.log radio.log"
source "$here/../support/desktop_session.sh"

start_radio "$q7sim" com1 radio.log
# Comm1, Semi Auto, greeting on: three check marks the menus must show.
printf '1,1,#TRUE#\r\n' >vexalo.ini

QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$vexalo" 2>vexalo.log &
pids+=($!)
wait_for radio.log ' cmd AI2;'

window=$(xdotool search --sync --onlyvisible --name 'Vexalo V' | head -n 1)
xdotool windowfocus --sync "$window"
/usr/bin/python3 "$here/a11y_check.py" "$window"
