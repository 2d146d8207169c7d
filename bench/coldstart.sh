#!/usr/bin/env bash
# Measures the cold start of build/velumo to its first "status" reply under Xvfb.
# Usage: bench/coldstart.sh [DISPLAY_NUMBER] [RUNS]   (defaults: 71, 10)
exec "$(dirname "$0")/on-xvfb.sh" coldstart_bench "${1:-71}" "${2:-10}"
