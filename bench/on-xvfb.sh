#!/usr/bin/env bash
# Builds build/velumo and one bench program, starts an Xvfb screen of 1920x1080 on DISPLAY_NUMBER,
# and runs the bench program there with build/velumo and the given arguments.
# Usage: bench/on-xvfb.sh BENCH_TARGET DISPLAY_NUMBER [ARGUMENT...]
set -euo pipefail
cd "$(dirname "$0")/.."
target="$1"
display=":$2"
shift 2
cmake --build build -j"$(nproc)" --target velumo "$target" >/dev/null
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
unset QT_QPA_PLATFORM
DISPLAY="$display" "build/bench/$target" "$PWD/build/velumo" "$@"
