#!/usr/bin/env bash
# Soak run of every player with build/velumo under Xvfb: a plan cycling a clip, mpv, a web page,
# a Flash movie, a slide show, a block and the capture, a line every 10 s; prints resident
# memory and descriptors every minute and fails (exit 1) on sustained growth.
# Usage: bench/soakplayers.sh [MINUTES] [DISPLAY_NUMBER]   (defaults: 30, 74)
exec "$(dirname "$0")/on-xvfb.sh" soakplayers_bench "${2:-74}" "${1:-30}"
