#!/usr/bin/env bash
# Fetches Ruffle, the Flash movie player the program loads from local files, from the npm
# registry into DEST (default: build/ruffle). The package is kept in a cache folder, so a second
# build tree needs no network. Ruffle is never committed.
# Usage: tools/fetch-ruffle.sh [DEST]
set -euo pipefail
cd "$(dirname "$0")/.."
version=0.6.0
dest=${1:-build/ruffle}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velumo
package="$cache/ruffle-rs-ruffle-$version.tgz"
if [ -f "$dest/ruffle.js" ] && [ "$(cat "$dest/.version" 2>/dev/null)" = "$version" ]; then
    exit 0
fi
if [ ! -f "$package" ]; then
    command -v npm >/dev/null || { echo "fetch-ruffle: npm is missing (apt-get install npm)" >&2; exit 1; }
    mkdir -p "$cache"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && npm pack --silent "@ruffle-rs/ruffle@$version" >/dev/null)
    mv "$work"/ruffle-rs-ruffle-"$version".tgz "$package"
fi
rm -rf "$dest.tmp"
mkdir -p "$dest.tmp"
tar -xzf "$package" -C "$dest.tmp" --strip-components=1 package
rm -f "$dest.tmp"/*.map
echo "$version" > "$dest.tmp/.version"
rm -rf "$dest"
mv "$dest.tmp" "$dest"
echo "Ruffle $version in $dest"
