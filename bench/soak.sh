#!/usr/bin/env bash
# Soak run of build/velumo under Xvfb: ticker, playback log and a plan line every 2 s; prints
# resident memory and open descriptors every minute.
# Usage: bench/soak.sh [MINUTES] [DISPLAY_NUMBER]   (defaults: 30, 72)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-30}"
display=":${2:-72}"
cmake --build build -j2 --target velumo soak_bench >/dev/null
. bench/xvfb.sh
start_xvfb "$display" 1920x1080x24
build/bench/soak_bench "$PWD/build/velumo" "$minutes"
