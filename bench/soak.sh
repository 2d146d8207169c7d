#!/usr/bin/env bash
# Soak run of build/velumo under Xvfb: ticker, playback log and a plan line every 2 s; prints
# resident memory and open descriptors every minute.
# Usage: bench/soak.sh [MINUTES] [DISPLAY_NUMBER]   (defaults: 30, 72)
exec "$(dirname "$0")/on-xvfb.sh" soak_bench "${2:-72}" "${1:-30}"
