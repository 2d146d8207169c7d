#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds Velumo with warnings as errors and runs
# every test; builds the Debian package and checks it (tools/make-deb.sh, tools/check-deb.sh);
# then builds the core alone (no widgets) with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the core tests there. A skipped test fails the run: a test that did not run because a
# tool is missing proves nothing (VELUMO_FAIL_ON_SKIP=0 allows skips when run by hand).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/check-format.sh
tools/check-layering.sh
tools/check-layering.sh --self-test
tools/check-guarded.sh
tools/check-threads.sh
source tools/ccache-env.sh
export VELUMO_FAIL_ON_SKIP=${VELUMO_FAIL_ON_SKIP:-1}
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELUMO_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
# Ruffle for the Flash tests (they are skipped without it).
if ! tools/fetch-ruffle.sh build/ruffle; then
    if [ "${CI:-}" = true ] || [ "$VELUMO_FAIL_ON_SKIP" = 1 ]; then
        echo "Ruffle could not be fetched: the Flash tests cannot run" >&2
        exit 1
    fi
    echo "Ruffle could not be fetched: the Flash tests are skipped" >&2
fi
# The dashboard's page with MQTT.js for its browser tests.
if ! tools/fetch-mqttjs.sh build/dashboard; then
    if [ "${CI:-}" = true ] || [ "$VELUMO_FAIL_ON_SKIP" = 1 ]; then
        echo "MQTT.js could not be fetched: the dashboard tests cannot run" >&2
        exit 1
    fi
    echo "MQTT.js could not be fetched: the dashboard tests are skipped" >&2
fi
(cd build && ctest --output-on-failure -j"$jobs" --timeout 600)

# The Debian package, built with the same compile commands (compiler-cache hits), and checked:
# lintian, the unpacked program with a scratch home, the user unit.
start=$SECONDS
deb=$(VELUMO_DEB_COMPRESSION=gzip tools/make-deb.sh)
tools/check-deb.sh "$deb"
echo "The package $deb: built and checked in $((SECONDS - start)) s"

tools/run-core-sanitized.sh
