#!/usr/bin/env bash
# Builds the Debian package velumo_<version>_<arch>.deb with Debian's own tools
# (dpkg-buildpackage -b, debhelper) and prints its path. The package is built from a copy of the
# checkout in build/deb/velumo (its own build tree "build" is kept between runs), with the same
# compile commands as tools/run-tests.sh's build, so its compile is a hit of the compiler cache.
# Usage: tools/make-deb.sh [OUTPUT-FOLDER]   (default: build/deb)
# VELUMO_DEB_COMPRESSION=gzip builds faster (tools/run-tests.sh); the default is dpkg's xz.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-build/deb}
work=build/deb/velumo
version=$(sed -nE 's/^project\(velumo VERSION ([0-9.]+) .*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog -l debian/changelog -S Version)
if [ "$version" != "$changelog" ]; then
    echo "make-deb: CMakeLists.txt says $version, debian/changelog $changelog: add a changelog entry" >&2
    exit 1
fi

# The copy: what git tracks and what it would (not what it ignores), with the files' times kept,
# so the kept build tree rebuilds only what changed. Everything but that build tree is new.
mkdir -p "$work"
find "$work" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar -c --null -T - -f - | tar -x -f - -C "$work"

source tools/ccache-env.sh
# The copy is the checkout the compiler cache sees: paths below it hash as those below this one.
export CCACHE_BASEDIR=$root/$work
stats=build/deb/ccache-stats.log
rm -f "$stats"
if command -v ccache >/dev/null 2>&1; then
    CCACHE_DIR=$(ccache --get-config cache_dir)
    export CCACHE_DIR CCACHE_STATSLOG=$root/$stats
fi
(cd "$work" && dpkg-buildpackage -b --no-pre-clean --no-sign -us -uc >../build.log 2>&1) || {
    tail -n 40 build/deb/build.log >&2
    echo "make-deb: the package build failed (build/deb/build.log)" >&2
    exit 1
}
# What the compile cost: hits and misses of this build alone.
if [ -f "$stats" ]; then
    ccache --show-log-stats 2>/dev/null | grep -E '^ *(Hits|Misses):' | tr -s ' ' |
        sed 's/^ */make-deb: compiler cache /' >&2 || true
fi
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
deb=velumo_${version}_${arch}.deb
mkdir -p "$out"
[ "$(realpath "$out")" = "$(realpath build/deb)" ] || mv -f "build/deb/$deb" "$out/"
echo "$out/$deb"
