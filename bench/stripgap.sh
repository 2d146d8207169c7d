#!/usr/bin/env bash
# The strip's largest repaint gap as a viewer sees it: build/velumo on Xvfb, its strip grabbed
# from the screen, around a 100 000-announcement block load (by the control channel and by a
# plan's s line), the first web page of the run and a slide show's first page.
# Usage: bench/stripgap.sh [DISPLAY_NUMBER] [CASE...]   (defaults: 73, every case)
exec "$(dirname "$0")/on-xvfb.sh" stripgap_bench "${1:-73}" "${@:2}"
