#!/usr/bin/env bash
# Installs what is missing, builds Velumo (and its core alone, without windows) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
# The core must build without Qt Widgets.
cmake -S . -B build-core -G Ninja -DVELUMO_GUI=OFF -DVELUMO_BENCH=OFF >/dev/null
cmake --build build-core -j2 --target velumo_core
cd build
ctest --output-on-failure -j2 --timeout 600
