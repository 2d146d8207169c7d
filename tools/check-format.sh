#!/usr/bin/env bash
# Fails on any project source file that clang-format would change.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h' 'tools/*.cpp' 'tools/*.h')
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "clang-format would change the files above: run clang-format -i on them" >&2
    exit 1
fi
