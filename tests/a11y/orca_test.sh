#!/usr/bin/env bash
# The window as the Orca screen reader speaks it: Debian's Orca and the real program under Xvfb
# on a private session bus, Orca's speech caught by a private speech-dispatcher (playing into a
# PulseAudio null sink) and read back from its log. Presses the keys of orca_speech.tsv one by
# one and compares what Orca says after each with the table. No radio is attached.
# Usage: orca_test.sh VEXALO
set -euo pipefail
vexalo=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)

LOGS="heard.txt orca.log vexalo.log"
source "$here/../support/desktop_session.sh"
source "$here/../support/speech_services.sh"

# Everything the session writes stays in the scratch folder.
mkdir -m 700 runtime home prefs
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
dbus-update-activation-environment XDG_RUNTIME_DIR HOME

start_pulseaudio
start_speechd "$work/speechd"
speech_log=$work/speechd/log/speech-dispatcher.log

# Every utterance so far, one a line; a log line "DATA:|<speak>...</speak>\r" holds one, marked up.
heard() {
    grep -a 'DATA:|<speak>' "$speech_log" 2>/dev/null | tr -d '\r' \
        | sed -e 's/.*DATA:|//' -e 's/<[^>]*>//g' -e 's/&amp;/\&/g' -e 's/ *$//' >heard.txt
    cat heard.txt
}
utterances() { heard | wc -l; }
orca_greeted() { heard >/dev/null && grep -qx 'Screen reader on.' heard.txt; }

# Orca runs once per user; beside another one (another test, a real desktop) this one waits its
# turn rather than stopping it.
deadline=$((SECONDS + 60))
while :; do
    orca -u "$work/prefs" >orca.log 2>&1 &
    orca_pid=$!
    pids+=("$orca_pid")
    while kill -0 "$orca_pid" 2>/dev/null && ! orca_greeted; do
        [ $SECONDS -lt "$deadline" ] || fail "Orca did not start speaking"
        sleep 0.1
    done
    kill -0 "$orca_pid" 2>/dev/null && break
    grep -q 'already running' orca.log || fail "Orca ended"
    [ $SECONDS -lt "$deadline" ] || fail "another Orca of this user kept running"
    sleep $((1 + RANDOM % 3))
done

# As an operator starts it: Qt turns its accessibility on because a screen reader runs.
printf '1,0,#FALSE#\r\n' >vexalo.ini
env -u PULSE_SERVER -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_QPA_PLATFORM=xcb "$vexalo" \
    2>vexalo.log &
pids+=($!)
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Vexalo V' | head -n 1 || true)
[ -n "$window" ] || fail "no window"

# Keys go down and up at least 100 ms apart: a chord pressed faster can reach the menu it
# opens while Orca still holds its first key, and close it again.
press() {
    local keys i
    IFS=+ read -r -a keys <<<"$1"
    for ((i = 0; i < ${#keys[@]}; i++)); do xdotool keydown "${keys[i]}"; sleep 0.12; done
    for ((i = ${#keys[@]} - 1; i >= 0; i--)); do xdotool keyup "${keys[i]}"; sleep 0.12; done
}

# After each key, waits until Orca has said as many utterances as the row holds (at most ten
# seconds), and compares them with the row; whatever it says beyond belongs to the next key.
steps=0
spoken=$(utterances)
while IFS=$'\t' read -r key expected; do
    expected=${expected//\{version\}/${VEXALO_VERSION_LABEL:?}}
    [[ -z "$key" || "$key" == \#* ]] && continue
    if [ "$key" = "(focus)" ]; then
        xdotool windowfocus --sync "$window"
    else
        press "$key"
    fi
    IFS='|' read -r -a words <<<"$expected"
    for _ in $(seq 100); do
        [ "$(utterances)" -ge $((spoken + ${#words[@]})) ] && break
        sleep 0.1
    done
    said=$(heard | tail -n +$((spoken + 1)) | head -n ${#words[@]} | paste -sd '|')
    [ "${said//|/ | }" = "$expected" ] \
        || fail "after $key Orca said \"${said//|/ | }\", not \"$expected\""
    spoken=$((spoken + ${#words[@]}))
    steps=$((steps + 1))
done <"$here/orca_speech.tsv"

sleep 0.5
[ "$(utterances)" -eq "$spoken" ] \
    || fail "Orca went on: $(heard | tail -n +$((spoken + 1)) | paste -sd '|')"
echo "passed: $steps steps heard as the table says"
