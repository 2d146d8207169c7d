#!/usr/bin/env bash
# The core library and its tests alone (-DVELUMO_GUI=OFF), with AddressSanitizer and
# UndefinedBehaviorSanitizer: proves that the core builds without widgets and that its tests
# pass under the sanitizers. Run alone with: tools/run-core-sanitized.sh
# The build folder (build-core) is kept between runs, so a second run only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ccache-env.sh
jobs=$(nproc)
cmake -S . -B build-core -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELUMO_GUI=OFF -DVELUMO_BENCH=OFF \
    -DVELUMO_WERROR=ON -DVELUMO_SANITIZE=ON >/dev/null
cmake --build build-core -j"$jobs"
# Leaks inside the system's font and graphics libraries are not ours to report.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd build-core && ctest --output-on-failure -j"$jobs" --timeout 900)
