#!/usr/bin/env bash
# Soak run of build/velumo under Xvfb: ticker, playback log and a plan line every 2 s; prints
# resident memory and open descriptors every minute.
# Usage: bench/soak.sh [MINUTES] [DISPLAY_NUMBER]   (defaults: 30, 72)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-30}"
display=":${2:-72}"
cmake --build build -j2 --target velumo soak_bench >/dev/null
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
unset QT_QPA_PLATFORM
DISPLAY="$display" build/bench/soak_bench "$PWD/build/velumo" "$minutes"
