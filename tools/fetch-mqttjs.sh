#!/usr/bin/env bash
# Puts the fleet dashboard's page into DEST (default: build/dashboard): its own files from
# dashboard/ and the browser bundle of MQTT.js (mqtt.min.js, a classic script that defines the
# global "mqtt"), fetched from the npm registry. The package is kept in a cache folder, so a
# second build tree needs no network. MQTT.js is never committed.
# Usage: tools/fetch-mqttjs.sh [DEST]
set -euo pipefail
cd "$(dirname "$0")/.."
version=5.16.1
dest=${1:-build/dashboard}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velumo
package="$cache/mqtt-$version.tgz"
mkdir -p "$dest"
cp dashboard/*.html dashboard/*.css dashboard/*.js "$dest/"
if [ -f "$dest/mqtt.min.js" ] && [ "$(cat "$dest/.mqtt-version" 2>/dev/null)" = "$version" ]; then
    exit 0
fi
if [ ! -f "$package" ]; then
    command -v npm >/dev/null || { echo "fetch-mqttjs: npm is missing (apt-get install npm)" >&2; exit 1; }
    mkdir -p "$cache"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && npm pack --silent "mqtt@$version" >/dev/null)
    mv "$work/mqtt-$version.tgz" "$package"
fi
tar -xzf "$package" -O package/dist/mqtt.min.js > "$dest/mqtt.min.js.tmp"
mv "$dest/mqtt.min.js.tmp" "$dest/mqtt.min.js"
echo "$version" > "$dest/.mqtt-version"
echo "MQTT.js $version in $dest"
