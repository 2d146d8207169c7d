#!/usr/bin/env bash
# Measures the cold start of build/velumo to its first "status" reply under Xvfb.
# Usage: bench/coldstart.sh [DISPLAY_NUMBER] [RUNS]   (defaults: 71, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
display=":${1:-71}"
runs="${2:-10}"
cmake --build build -j2 --target velumo coldstart_bench >/dev/null
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
unset QT_QPA_PLATFORM
DISPLAY="$display" build/bench/coldstart_bench "$PWD/build/velumo" "$runs"
