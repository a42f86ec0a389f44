#!/usr/bin/env bash
# vexalo-replay's format is an interface operators and developers rely on: the bundled
# examples must replay exactly as recorded, and malformed scripts must be refused clearly.
# Usage: replay_test.sh VEXALO_REPLAY EXAMPLES_DIR
set -u
replay=$1
examples=$2
passed=0
failed=0

check() { # name, expected, actual
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3" >&2
    fi
}

for script in "$examples"/*.replay; do
    check "$(basename "$script")" "$(cat "${script%.replay}.expected")" "$("$replay" --state "$script")"
done

check "the two-line query from standard input" "$(printf 'FA00014025000;\t14 0 2 5 pt 0 0 a')" \
    "$(printf '> FA;\n< FA00014025000;\n' | "$replay")"
check "escapes in and out" "$(printf 'FA00014025000;\t\n\\\\r\\\\nFR1;\t\nx\\\\\\\\;\t')" \
    "$(printf '< FA00014025000;\\\\r\\\\nFR1;x\\\\\\\\;\n' | "$replay")"
check "speech off decides the same, silently" "$(printf 'BG05;\t')" \
    "$(printf '! speech off\n< BG05;\n' | "$replay")"
check "clip names from reply garbage are marked" "$(printf 'KS0A!;\tspeed ?A!')" \
    "$(printf '> KS;\n< KS0A!;\n' | "$replay")"
# What the program hears of replies arriving together: each reply's own announcement first,
# then only the newest frequency; a report before the answer is no answer.
check "heard: passed over in favour of the newest" "$(printf 'FA00014025010;\t14 0 2 5 pt 0 1\nFA00014025020;\t14 0 2 5 pt 0 2\nFA00014025010;\t14 0 2 5 pt 0 1\nheard\t14 0 2 5 pt 0 1')" \
    "$(printf '! full_auto on\n< FA00014025010;FA00014025020;FA00014025010;\n' | "$replay" --heard | tail -n 4)"
check "a report is no answer" "$(printf 'MD3;\tcw\nFA00014025000;\t14 0 2 5 pt 0 0 a')" \
    "$(printf '> FA;\n< MD3;FA00014025000;\n' | "$replay")"
check "pending: any reply answers" "$(printf 'MD3;\tcw\nMD3;\tcw\nMD3;\t')" \
    "$(printf '! pending on\n< MD3;\n! pending on\n< MD3;\n< MD3;\n' | "$replay")"

# Malformed directives: a message naming the line, exit status 2.
while IFS='|' read -r name script; do
    out=$(printf "$script" | "$replay" 2>&1 >/dev/null)
    status=$?
    check "$name: status" 2 "$status"
    case "$out" in
        "<stdin>:2: "*) passed=$((passed + 1)) ;;
        *) failed=$((failed + 1)); echo "FAILED $name: message '$out'" >&2 ;;
    esac
done <<'CASES'
unknown directive|# ok\n? FA;\n
missing space|# ok\n<FA;\n
unknown flag|# ok\n! loud on\n
bad flag value|# ok\n! speech yes\n
unknown escape|# ok\n< FA\\t;\n
CASES

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
