#!/usr/bin/env bash
# The installation: `cmake --install` into a scratch root puts every file in place, the desktop
# entry and the metainfo validate, the man pages render cleanly, and the launcher prepares the
# per-user folder as the menu needs it (checked with a stand-in for the program).
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
for file in bin/vexalo bin/vexalo-launch bin/q7sim bin/vexalo-replay \
    share/applications/org.vexalo.Vexalo.desktop share/metainfo/org.vexalo.Vexalo.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.vexalo.Vexalo.svg \
    share/man/man1/vexalo.1 share/man/man1/vexalo-launch.1 share/man/man1/q7sim.1 \
    share/man/man1/vexalo-replay.1 share/vexalo/ZSsounds/dorvaneq7.wav \
    share/vexalo/ZSsounds/words.tsv share/vexalo/voices/de/q7_error.wav share/vexalo/band-edges.tsv \
    share/vexalo/voice-kit/generate share/vexalo/voice-kit/check share/vexalo/voice-kit/clips.tsv; do
    [ -e "$usr/$file" ] || fail "not installed: $file"
done
for program in vexalo q7sim vexalo-replay; do
    # No display and no platform: --version must not need either.
    version=$(env -u DISPLAY -u QT_QPA_PLATFORM "$usr/bin/$program" --version 2>&1) ||
        fail "$program --version failed: $version"
    [ "$version" = "$program ${VEXALO_VERSION_LABEL:?}" ] || fail "$program --version says '$version'"
done

out=$(desktop-file-validate "$usr/share/applications/org.vexalo.Vexalo.desktop" 2>&1) ||
    fail "desktop entry: $out"
[ -z "$out" ] || fail "desktop entry: $out"
out=$(appstreamcli validate --no-net --explain "$usr/share/metainfo/org.vexalo.Vexalo.metainfo.xml" 2>&1) ||
    fail "metainfo: $out"
exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/org.vexalo.Vexalo.desktop")
[ -x "$usr/bin/$exec_line" ] || fail "the desktop entry runs '$exec_line', which is not installed"
for page in "$usr"/share/man/man1/*.1; do
    out=$(cd "$usr/share/man" && groff -man -ww -z -Tutf8 "$page" 2>&1)
    [ -z "$out" ] || fail "$(basename "$page"): $out"
done

# The launcher with a stand-in program that reports where and how it was started.
bin="$work/bin"
mkdir "$bin"
cp "$usr/bin/vexalo-launch" "$bin/"
ln -s "$usr/share" "$work/share"
cat >"$bin/vexalo" <<'STUB'
#!/bin/sh
echo "ran in $(pwd) with [$*]; voice $(readlink ZSsounds 2>/dev/null || echo own)"
STUB
chmod +x "$bin/vexalo"
voice=$(readlink -f "$usr/share/vexalo/ZSsounds")

# name | preparation | environment | arguments | expected output (empty: an error is expected)
cases=(
    "first start|:|HOME=$work/h1||ran in $work/h1/.local/share/vexalo with []; voice $voice"
    "XDG_DATA_HOME|:|HOME=$work/h2 XDG_DATA_HOME=$work/xdg||ran in $work/xdg/vexalo with []; voice $voice"
    "relative XDG_DATA_HOME|:|HOME=$work/h3 XDG_DATA_HOME=rel||ran in $work/h3/.local/share/vexalo with []; voice $voice"
    "own voice kept|mkdir -p $work/h4/.local/share/vexalo/ZSsounds|HOME=$work/h4||ran in $work/h4/.local/share/vexalo with []; voice own"
    "own link kept|mkdir -p $work/h5/.local/share/vexalo $work/mine && ln -s $work/mine $work/h5/.local/share/vexalo/ZSsounds|HOME=$work/h5||ran in $work/h5/.local/share/vexalo with []; voice $work/mine"
    "dead link replaced|mkdir -p $work/h6/.local/share/vexalo && ln -s $work/gone $work/h6/.local/share/vexalo/ZSsounds|HOME=$work/h6||ran in $work/h6/.local/share/vexalo with []; voice $voice"
    "only printing skips the folder|:|HOME=$work/h7|--version|ran in $work with [--version]; voice own"
    "other arguments run in the folder|:|HOME=$work/h8|--transcript|ran in $work/h8/.local/share/vexalo with [--transcript]; voice $voice"
    "no home|:|HOME=||"
)
for c in "${cases[@]}"; do
    IFS='|' read -r name prepare environment arguments expected <<<"$c"
    eval "$prepare"
    status=0
    # shellcheck disable=SC2086
    out=$(cd "$work" && env -u XDG_DATA_HOME $environment "$bin/vexalo-launch" $arguments 2>&1) || status=$?
    if [ -z "$expected" ]; then
        [ "$status" -ne 0 ] || fail "$name: no error ($out)"
    elif [ "$out" != "$expected" ]; then
        fail "$name: '$out', expected '$expected'"
    fi
done
[ ! -e "$work/h7" ] || fail "only printing skips the folder: the per-user folder was made for --version"

[ "$failures" -eq 0 ] || exit 1
echo "passed"
