# Private sound and speech services for the scripts that need them: a PulseAudio server with a
# null sink (and a recorder on its monitor), and speech-dispatcher with its espeak-ng module
# playing into it. Nothing on the machine hears them or is heard by them. Source it after
# desktop_session.sh, whose $work, pids and fail it uses.

# A PulseAudio server of our own; exports PULSE_SERVER for every program started afterwards.
start_pulseaudio() {
    mkdir -p "$work/pulse"
    PULSE_RUNTIME_PATH=$work/pulse PULSE_STATE_PATH=$work/pulse \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
        -L "module-null-sink sink_name=nullsink" \
        -L "module-native-protocol-unix socket=$work/pulse.sock auth-anonymous=1" 2>"$work/pulse.log" &
    pids+=($!)
    for _ in $(seq 50); do [ -S "$work/pulse.sock" ] && break; sleep 0.1; done
    [ -S "$work/pulse.sock" ] || fail "no private PulseAudio"
    export PULSE_SERVER=unix:$work/pulse.sock
}

# Records what reaches the null sink into FILE, 16-bit mono at 16 kHz, until the script ends.
record_sink() {
    parec --device=nullsink.monitor --format=s16le --channels=1 --rate=16000 --raw >"$1" 2>/dev/null &
    pids+=($!)
}

# A speech-dispatcher of our own in FOLDER (its socket, pid and log at level 5 there); exports
# SPEECHD_ADDRESS and sets speechd_pid.
start_speechd() {
    local folder=$1
    mkdir -p "$folder/log" "$folder/rt"
    XDG_RUNTIME_DIR=$folder/rt speech-dispatcher -s -t 0 -S "$folder/speechd.sock" \
        -L "$folder/log" -l 5 -P "$folder/pid" >/dev/null 2>&1 &
    speechd_pid=$!
    pids+=($speechd_pid)
    for _ in $(seq 50); do [ -S "$folder/speechd.sock" ] && break; sleep 0.1; done
    [ -S "$folder/speechd.sock" ] || fail "no private speech-dispatcher"
    export SPEECHD_ADDRESS=unix_socket:$folder/speechd.sock
}
