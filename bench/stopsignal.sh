#!/usr/bin/env bash
# SIGTERM to build/velumo again and again during a clip and announcements (its own Xvfb), then
# the as-run journal verified.
# Usage: bench/stopsignal.sh [RUNS]   (default 50)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j2 --target velumo stopsignal_bench >/dev/null
VELUMO_BUILD_DIR=$PWD/build VELUMO_SOURCE_DIR=$PWD build/bench/stopsignal_bench "${1:-50}"
