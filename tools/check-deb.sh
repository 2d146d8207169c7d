#!/usr/bin/env bash
# Checks a built package: lintian finds no error and no warning; unpacked into a scratch root
# (dpkg-deb -x) the program starts from there with a scratch home, makes its program folder in
# the user's data folder from the installed demo, answers "status" and finds the installed
# Ruffle; the user units pass systemd-analyze verify.
# Usage: tools/check-deb.sh velumo_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
scratch=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "check-deb: $*" >&2
    [ -f "$scratch/program.err" ] && tail -n 20 "$scratch/program.err" >&2
    exit 1
}

echo "== lintian $(basename "$deb")"
lintian --fail-on error,warning --display-level '>=warning' "$deb" || fail "lintian reports errors or warnings"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/velumo usr/share/velumo/ruffle/ruffle.js usr/share/velumo/demo/demo.str \
    usr/share/velumo/demo/icons/0.png usr/share/man/man1/velumo.1.gz \
    usr/share/applications/velumo.desktop usr/share/metainfo/org.velumo.Velumo.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/velumo.svg usr/share/icons/hicolor/48x48/apps/velumo.png \
    usr/share/icons/hicolor/256x256/apps/velumo.png usr/lib/systemd/user/velumo.service \
    usr/lib/systemd/user/velumo-fleet-watch.service usr/share/velumo/dashboard/index.html \
    usr/share/velumo/dashboard/mqtt.min.js; do
    [ -e "$root/$f" ] || fail "the package lacks /$f"
done

echo "== the unpacked program with a scratch home"
home=$scratch/home
mkdir -p "$home" "$scratch/run"
chmod 0700 "$scratch/run"
velumo=$root/usr/bin/velumo
run() {
    env -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$scratch/run" QT_QPA_PLATFORM=offscreen \
        QTWEBENGINE_DISABLE_SANDBOX=1 "$velumo" "$@"
}
folder=$home/.local/share/velumo
run >"$scratch/program.out" 2>"$scratch/program.err" &
pid=$!
status=""
for _ in $(seq 1 120); do
    if status=$(run --send status 2>/dev/null); then break; fi
    kill -0 "$pid" 2>/dev/null || fail "the program ended at start"
    status=""
    sleep 0.5
done
[ -n "$status" ] || fail "the program does not answer status"
grep -qF "\"program_folder\":\"$folder\"" <<<"$status" ||
    fail "status names another program folder: $status"
for f in demo.str demo2.str icons/0.png velumo.log; do
    [ -f "$folder/$f" ] || fail "the program folder lacks $f"
done
run --send close >/dev/null || fail "close was refused"
for _ in $(seq 1 60); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end on close"
wait "$pid" || fail "the program ended with a failure"
pid=""
echo "program folder $folder made from the demo, status answered, closed"

# A Flash line of tomorrow, checked in a folder without settings (slots are not checked there):
# the plan check passes only when the installed Ruffle is found.
mkdir -p "$scratch/plan"
plan=$scratch/plan/flash.pln
day=$(date -d tomorrow +%d.%m.%y)
printf '%s\r\n' "$day 12:00:00|f1|00|$day 12:01:00" >"$plan"
if ! report=$(run --dir "$scratch/plan" --check-plan "$plan"); then
    fail "the plan check does not find the installed Ruffle: $report"
fi
echo "Ruffle found in /usr/share/velumo/ruffle"

for unit in velumo.service velumo-fleet-watch.service; do
    echo "== systemd-analyze verify $unit"
    # The unit names /usr/bin/velumo and man:velumo(1), which only the scratch root has: verified
    # there. A user unit is verified against a user manager, which needs a runtime folder (a
    # container has none).
    unitdir=$scratch/unit
    mkdir -p "$unitdir"
    sed "s#^ExecStart=/usr/bin/velumo#ExecStart=$velumo#" "$root/usr/lib/systemd/user/$unit" \
        >"$unitdir/$unit"
    if ! out=$(MANPATH=$root/usr/share/man XDG_RUNTIME_DIR="$scratch/run" systemd-analyze --user verify "$unitdir/$unit" 2>&1) ||
        [ -n "$out" ]; then
        fail "systemd-analyze: $out"
    fi
    echo "$unit verified"
done
