#!/usr/bin/env bash
# The Windows build under Wine (scripts/windows --test), in a Wine prefix of its own:
# 1. the unit tests that need no window, no pseudo-terminal, no sound server and no Linux
#    program (their areas are listed in tests/CMakeLists.txt);
# 2. vexalo-replay.exe prints byte for byte what the Linux build prints on tools/examples;
# 3. vexalo.exe --transcript on COM1, which Wine maps to q7sim's pseudo-terminal, under Xvfb:
#    the handshake on the line, Alt+A says "14025.00 A", Ctrl+G and Alt+X leave the settings
#    file written with CR LF and "q70;" on the line;
# 4. the installer installs silently, the Start menu's launcher makes the operator's folder,
#    and the uninstaller removes the program but keeps that folder.
# Usage: wine_test.sh WINDOWS_BUILD LINUX_BUILD STAGE SETUP_EXE
set -euo pipefail
build=$1
linux_build=$2
stage=$3
setup=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=${VEXALO_WINDOWS_PREFIX:?run through scripts/windows --test}
# A display of its own, never the desktop's: Wine's windows open there.
if [ -z "${VEXALO_WINE_XVFB:-}" ]; then
    VEXALO_WINE_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko to install
windows_path() { echo "Z:${1//\//\\}"; }
export WINEPATH
WINEPATH=$(windows_path "$stage")
# Wine hands a program none of the QT_ variables of its environment, so the unit tests are given
# Qt's platform on the command line: without it the widget tests asked for one that is not built
# for Windows, and Qt's fatal message box waited for a click.
qt_arguments=(-platform minimal -platformpluginpath "$(windows_path "$prefix/plugins/platforms")")

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]+"${pids[@]}"}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $*"; }
fail() { failed=$((failed + 1)); echo "FAILED: $*" >&2; }
wait_for() { # FILE PATTERN: up to 20 s (Wine's first window takes its time)
    for _ in $(seq 200); do
        grep -q -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

if [ ! -e "$WINEPREFIX/system.reg" ]; then
    echo "wine_test: making the Wine prefix $WINEPREFIX" >&2
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi

# 1. Unit tests.
for name in common_tests interpreter_tests speech_tests audio_tests link_tests share_tests shell_tests; do
    exe=$(find "$build/tests" -name "$name.exe" | head -n 1)
    log=$work/$name.log
    # A program that hangs fails, rather than stopping the run.
    if (cd "$work" && timeout 600 wine "$exe" "${qt_arguments[@]}" --gtest_brief=1 >"$log" 2>&1); then
        pass "$name: $(grep -a 'PASSED' "$log" | tr -d '\r' | sed 's/\[ *PASSED *\] //')"
    else
        fail "$name"
        cat "$log" >&2
    fi
done

# 2. vexalo-replay.exe against the Linux build, byte for byte.
replay_win=$build/tools/vexalo-replay.exe
replay_linux=$linux_build/tools/vexalo-replay
compare() { # NAME INPUT_FILE ARGUMENTS...
    local name=$1 input=$2
    shift 2
    "$replay_linux" "$@" <"$input" >"$work/linux.out" 2>&1 || true
    wine "$replay_win" "$@" <"$input" >"$work/windows.out" 2>&1 || true
    if cmp -s "$work/linux.out" "$work/windows.out"; then
        pass "replay $name"
    else
        fail "replay $name differs"
        diff <(od -c "$work/linux.out") <(od -c "$work/windows.out") | head -n 20 >&2
    fi
}
for script in "$root"/tools/examples/*.replay; do
    for arguments in "" "--state" "--heard"; do
        # shellcheck disable=SC2086 # the arguments are one word or none
        compare "$(basename "$script") $arguments" "$script" $arguments
    done
done

# 3. The program on COM1, with q7sim on the other end.
"$linux_build/sim/q7sim" --fast --link "$work/com1" --log "$work/radio.log" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$work/com1" /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true # the port map is read when the server starts
wineserver -w 2>/dev/null || true
folder=$work/folder
mkdir -p "$folder"
cp -r "$stage/ZSsounds" "$folder/"
printf '1,0,#TRUE#\r\n' >"$folder/vexalo.ini"
(cd "$folder" && exec wine "$stage/vexalo.exe" --transcript >transcript.txt 2>vexalo.log) &
vexalo=$!
pids+=($vexalo)
if wait_for "$work/radio.log" " cmd AI0;" && grep -q " cmd q72;" "$work/radio.log"; then
    pass "handshake on COM1"
else
    fail "no handshake on COM1"
fi
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'Vexalo V' | head -n 1) || true
if [ -z "$window" ]; then
    fail "no window"
    cat "$folder/vexalo.log" >&2
    echo "$passed passed, $failed failed"
    exit 1
fi
# No window manager under Xvfb: the window is given the focus directly, and the keys go through
# XTest as a person's would (Wine ignores synthetic key events sent to a window).
xdotool windowfocus --sync "$window"
xdotool key alt+a
if wait_for "$folder/transcript.txt" "^14025.00 A"; then
    pass "Alt+A: $(grep -a '^14025.00 A' "$folder/transcript.txt" | tr -d '\r')"
else
    fail "Alt+A said: $(tr -d '\r' <"$folder/transcript.txt")"
fi
xdotool key ctrl+g
xdotool key alt+x
for _ in $(seq 200); do kill -0 "$vexalo" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$vexalo" 2>/dev/null; then
    fail "Alt+X did not end the program"
elif grep -q " cmd q70;" "$work/radio.log"; then
    pass "Alt+X released the radio (q70;)"
else
    fail "no q70; on the line"
fi
if [ "$(cat "$folder/vexalo.ini")" = "$(printf '1,0,#FALSE#\r\n')" ]; then
    pass "settings file written with CR LF"
else
    fail "settings file: $(cat -A "$folder/vexalo.ini")"
fi

# 4. Install, start from the Start menu's program, uninstall.
wine "$setup" /S >/dev/null 2>&1
wineserver -w
programs=$WINEPREFIX/drive_c/Program\ Files/Vexalo
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vexalo.lnk
if [ -x "$programs/vexalo.exe" ] && [ -e "$programs/platforms/qwindows.dll" ] && [ -e "$menu" ]; then
    pass "installed under Program Files, with the Start-menu entry"
else
    fail "installation incomplete: $(ls "$programs" 2>&1 | tr '\n' ' ')"
fi
wine "$programs/vexalo-launch.exe" --version >/dev/null 2>&1
wineserver -w
own=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/Vexalo' -type d | head -n 1)
if [ -n "$own" ] && [ -e "$own/ZSsounds/14.wav" ]; then
    pass "the launcher made the operator's folder with the voice"
    printf '2,1,#FALSE#\r\n' >"$own/vexalo.ini"
else
    fail "no operator's folder with a voice"
fi
wine "$programs/uninstall.exe" /S >/dev/null 2>&1
wineserver -w
sleep 2 # the uninstaller runs on from a copy of itself
wineserver -w
if [ ! -e "$programs" ] && [ ! -e "$menu" ] && [ -e "${own:-/nonexistent}/vexalo.ini" ]; then
    pass "uninstalled, the operator's settings kept"
else
    fail "uninstall: program folder $(ls "$programs" 2>&1 | tr '\n' ' '), settings ${own:-none}"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
