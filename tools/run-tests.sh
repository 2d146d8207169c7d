#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds Velumo with warnings as errors and runs
# every test; then builds the core alone (no widgets) with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the core tests there.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/check-format.sh
tools/check-layering.sh
tools/check-guarded.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELUMO_WERROR=ON >/dev/null
cmake --build build -j2
# Ruffle for the Flash tests (they are skipped without it).
tools/fetch-ruffle.sh build/ruffle || echo "Ruffle could not be fetched: the Flash tests are skipped" >&2
(cd build && ctest --output-on-failure -j2 --timeout 600)

tools/run-core-sanitized.sh
