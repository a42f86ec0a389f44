#!/usr/bin/env bash
# voice/check against recorded folders: every generated voice passes it, clips in other sound
# formats pass it, and a folder with one fault per clip gets exactly one line for each.
# Usage: check_test.sh CHECK VOICE_FOLDER...
set -euo pipefail
check=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

for voice in "$@"; do
    out=$("$check" "$voice" 2>&1) && [ -z "$out" ] || fail "$voice does not pass:"$'\n'"$out"
done

english=$1
folder="$work/voice"
reset_folder() {
    rm -rf "$folder"
    mkdir "$folder"
    cp "$english"/*.wav "$folder/"
}

# Readable formats other than the generator's 16-bit mono.
reset_folder
sox "$english/14.wav" -e floating-point -b 32 -c 2 "$folder/14.wav"
sox "$english/15.wav" -b 24 "$folder/15.wav"
sox "$english/16.wav" -b 8 -r 44100 "$folder/16.wav"
out=$("$check" "$folder" 2>&1) || fail "other formats rejected:"$'\n'"$out"

# Each clip broken one way: clip, how, the line expected.
faults=(
    "14|rm -f \$f|14: missing"
    "15|sox \$o \$f vol 0|15: silent (loudest sample"
    "16|head -c 4000 \$o >\$f|16: truncated: the header promises"
    "17|sox \$o \$f vol -15dB|17: too quiet (-1"
    "19|sox \$o \$f pad 0.5 0|19: 0.50 s of silence at the start (at most 0.2 s)"
    "20|sox \$o \$f pad 0 0.4|20: 0.40 s of silence at the end (at most 0.2 s)"
    "q7_present|sox \$o \$f trim 0.25 -0.25|q7_present: loud first 0.25 ms (-22 dBFS, clicks): fade in; loud last 0.25 ms (-10 dBFS, clicks): fade out"
    "21|echo not a sound >\$f|21: not a readable WAV file (not a WAV file)"
    "22|head -c 30 \$o >\$f|22: not a readable WAV file (damaged format chunk)"
    "23|sox \$o -r 22050 \$f trim 0 0.02|23: too short (0.020 s)"
)
reset_folder
for fault in "${faults[@]}"; do
    IFS='|' read -r clip how _ <<<"$fault"
    o="$english/$clip.wav" f="$folder/$clip.wav" eval "$how"
done
status=0
out=$("$check" "$folder" 2>&1) || status=$?
[ "$status" -eq 1 ] || fail "exit status $status for a bad folder"
[ "$(printf '%s\n' "$out" | wc -l)" -eq ${#faults[@]} ] ||
    fail "expected ${#faults[@]} lines, got:"$'\n'"$out"
for fault in "${faults[@]}"; do
    IFS='|' read -r _ _ expected <<<"$fault"
    printf '%s\n' "$out" | grep -qF -- "$expected" || fail "no '$expected' in:"$'\n'"$out"
done

status=0
"$check" "$work/absent" 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "exit status $status for a folder that does not exist"

[ "$failures" -eq 0 ] || exit 1
echo "passed"
