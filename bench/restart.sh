#!/usr/bin/env bash
# Measures build/velumo's restart after a kill -9 to the strip's first moving frame under Xvfb.
# Usage: bench/restart.sh [DISPLAY_NUMBER] [RUNS]   (defaults: 72, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
display=":${1:-72}"
runs="${2:-5}"
cmake --build build -j2 --target velumo restart_bench >/dev/null
. bench/xvfb.sh
start_xvfb "$display" 1920x1080x24
build/bench/restart_bench "$PWD/build/velumo" "$runs"
