#!/usr/bin/env bash
# Installs what is missing, builds Velumo and starts it on the demo program folder with "r".
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target velumo
exec build/velumo --dir "$PWD/demo" r
