#!/usr/bin/env bash
# Measures build/velumo's restart after a kill -9 to the strip's first moving frame under Xvfb.
# Usage: bench/restart.sh [DISPLAY_NUMBER] [RUNS]   (defaults: 72, 5)
exec "$(dirname "$0")/on-xvfb.sh" restart_bench "${1:-72}" "${2:-5}"
