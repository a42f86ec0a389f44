#!/usr/bin/env bash
# Operating the radio from the keyboard, into the real window under Xvfb against q7sim: steps,
# a larger step, a typed frequency (accepted and refused), a mode, undo, reading everything and
# the S-meter tone; each change is heard once, in the radio's words. The clips sound (as beeps:
# there is no sound folder) into a private PulseAudio, so that Escape can be pressed while one
# plays.
# Usage: operate_test.sh VEXALO Q7SIM
set -euo pipefail
vexalo=$1
q7sim=$2

LOGS="vexalo.log radio.log transcript.txt"
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/desktop_session.sh"
source "$here/../support/speech_services.sh"

start_pulseaudio
record_sink sink.raw
printf '</usr/share/alsa/alsa.conf>\npcm.!default { type pulse }\nctl.!default { type pulse }\n' >alsa.conf
export ALSA_CONFIG_PATH=$work/alsa.conf

start_radio "$q7sim" com1 radio.log
printf '1,0,#FALSE#\r\n' >vexalo.ini
printf '1000\n' >vexalo.step

QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="vexalo.speech.debug=true" QT_MESSAGE_PATTERN='%{message}' \
    "$vexalo" --transcript >transcript.txt 2>vexalo.log &
pids+=($!)
wait_for radio.log " cmd AI0;"
window=$(xdotool search --sync --onlyvisible --name "Vexalo V${VEXALO_VERSION_LABEL:?}" | head -n 1)
xdotool windowfocus --sync "$window"

# What was said after the mark, one clip a word.
mark() { wc -l <vexalo.log; }
said_since() { tail -n +"$(($1 + 1))" vexalo.log | sed -n 's/^clip //p' | tr '\n' ' '; }
expect_said() {
    local since=$1 words=$2 got
    for _ in $(seq 100); do
        got=$(said_since "$since")
        [ "$got" = "$words" ] && return 0
        sleep 0.1
    done
    fail "heard '$got', wanted '$words'"
}
# A step's confirmation, which the next step may have cut short: the words heard whole once,
# at the end, after at most a fragment without a VFO letter.
expect_confirmed() {
    local since=$1 words=$2 got
    for _ in $(seq 100); do
        got=$(said_since "$since")
        [[ "$got" == *"$words" && " ${got%"$words"}" != *" a "* ]] && return 0
        sleep 0.1
    done
    fail "heard '$got', wanted '$words' once, at the end"
}

m=$(mark)
xdotool key ctrl+Up ctrl+Up ctrl+Up
wait_for radio.log " cmd FA00014028000;"
expect_confirmed "$m" "14 0 2 8 pt 0 0 a "

m=$(mark)
xdotool key ctrl+Right
expect_said "$m" "step 10 khz "
[ "$(cat vexalo.step)" = 10000 ] || fail "step file holds $(cat vexalo.step)"
m=$(mark)
xdotool key ctrl+Up
wait_for radio.log " cmd FA00014038000;"
expect_said "$m" "14 0 3 8 pt 0 0 a "

m=$(mark)
xdotool key ctrl+e
xdotool type --delay 20 "14074"
xdotool key Return
wait_for radio.log " cmd FA00014074000;"
expect_said "$m" "1 4 0 7 4 14 0 7 4 pt 0 0 a "

m=$(mark)
xdotool key ctrl+e
xdotool type --delay 20 "60,5"
xdotool key Return
wait_for radio.log " cmd FA00060500000;"
expect_said "$m" "6 0 pt 5 not_accepted 60 5 0 0 pt 0 0 14 0 7 4 pt 0 0 a "

m=$(mark)
xdotool key ctrl+e
xdotool type --delay 20 "14x"
xdotool key Return Escape
expect_said "$m" "1 4 invalid "
m=$(mark)
xdotool key ctrl+e Escape
expect_said "$m" "cancelled "

m=$(mark)
xdotool key ctrl+2
wait_for radio.log " cmd MD2;"
expect_said "$m" "usb "
m=$(mark)
xdotool key ctrl+z
wait_for radio.log " cmd MD3;"
expect_said "$m" "cw "
m=$(mark)
xdotool key ctrl+z
wait_for radio.log " cmd FA00014038000;" 2
expect_said "$m" "14 0 3 8 pt 0 0 a "

m=$(mark)
xdotool key ctrl+i
expect_said "$m" "14 0 3 8 pt 0 0 a split off cw fl2 5 hundred hz rit xit off agc fast nb off \
pre on att off power 5 pt 0 watts speed 20 "

# Escape while a clip of the readout sounds: that clip stops, the rest is not said, and what
# comes later is said whole.
m=$(mark)
stops=$(grep -c "^stopped in clip " vexalo.log || true)
xdotool key ctrl+i
for _ in $(seq 100); do [[ "$(said_since "$m")" == *"split "* ]] && break; sleep 0.02; done
xdotool key Escape
wait_for vexalo.log "^stopped in clip " $((stops + 1))
# An answer already asked for may still come and be said; wait until nothing has been said for
# a second (a busy machine delays it), then the readout must not have reached its end.
quiet=0 last=""
for _ in $(seq 200); do
    now=$(said_since "$m")
    if [ "$now" = "$last" ]; then quiet=$((quiet + 1)); else quiet=0 last=$now; fi
    [ "$quiet" -ge 10 ] && break
    sleep 0.1
done
[[ "$(said_since "$m")" != *"speed 20 "* ]] || fail "the readout went on after Escape"

# Ctrl+T: the S-meter tone asks for the S-meter about five times a second, and not one answer
# is said; Ctrl+T again ends it, and so does Escape, without a word.
m=$(mark)
polls=$(grep -c " cmd BG;" radio.log || true)
xdotool key ctrl+t
wait_for radio.log " cmd BG;" $((polls + 11))
times=$(grep " cmd BG;" radio.log | tail -n +$((polls + 1)) | head -n 11 | cut -d' ' -f1)
rate=$(echo "$times" | awk 'NR == 1 { first = $1 } END { printf "%.2f", 10 / ($1 - first) }')
echo "S-meter polls: $rate a second"
awk -v r="$rate" 'BEGIN { exit !(r >= 2 && r <= 6) }' || fail "S-meter polled $rate times a second"
expect_said "$m" "tone on "
# Heard on the sound server at the pitch of q7sim's S7, 667 Hz (the last quarter second
# recorded, looked at until it is the tone: the recording runs behind).
pitch=0
for _ in $(seq 50); do
    pitch=$(tail -c 8000 sink.raw | /usr/bin/python3 -c 'import sys, array
s = array.array("h", sys.stdin.buffer.read())
print(round(sum((a < 0) != (b < 0) for a, b in zip(s, s[1:])) * 8000 / max(1, len(s))))')
    [ "$pitch" -ge 640 ] && [ "$pitch" -le 695 ] && break
    sleep 0.1
done
echo "S-meter tone heard at $pitch Hz"
[ "$pitch" -ge 640 ] && [ "$pitch" -le 695 ] || fail "the tone was heard at $pitch Hz"
xdotool key ctrl+t
expect_said "$m" "tone on tone off "
xdotool key ctrl+t
expect_said "$m" "tone on tone off tone on "
wait_for radio.log " cmd BG;" $(($(grep -c " cmd BG;" radio.log) + 1))
xdotool key Escape
m=$(mark)
xdotool key ctrl+1
wait_for radio.log " cmd MD1;"
expect_said "$m" "lsb "
polls=$(grep -c " cmd BG;" radio.log)
sleep 0.6
[ "$(grep -c " cmd BG;" radio.log)" -eq "$polls" ] || fail "the S-meter polls went on after Escape"

# Each confirmation is a line of the transcript, as it is of the announcements window.
for line in "14028.00 A" "USB" "CW" "not accepted: 60500.00" "step 10 kHz"; do
    grep -qx -- "$line" transcript.txt || fail "no line '$line' in the transcript"
done
echo "1 passed, 0 failed"
