#!/usr/bin/env bash
# Measures build/velumo's restart after a kill -9 to the strip's first moving frame under Xvfb.
# Usage: bench/restart.sh [DISPLAY_NUMBER] [RUNS]   (defaults: 72, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
display=":${1:-72}"
runs="${2:-5}"
cmake --build build -j2 --target velumo restart_bench >/dev/null
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
unset QT_QPA_PLATFORM
DISPLAY="$display" build/bench/restart_bench "$PWD/build/velumo" "$runs"
