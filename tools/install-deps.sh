#!/usr/bin/env bash
# Installs the Debian 12 packages Velumo needs to build, run and test (only what is missing).
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-image-formats-plugins libwmf-bin
    libcurl4-openssl-dev libpugixml-dev zlib1g-dev libasound2-dev libgtest-dev libbenchmark-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav fonts-dejavu-core curl
    qt6-translations-l10n libxcb1-dev mpv ffmpeg
    xvfb xcompmgr x11-apps x11-utils imagemagick xdotool python3-pyftpdlib faketime libfaketime
    qt6-webengine-dev
)
# Clips: MPEG program streams (.mpg, .vob) need the demuxer of plugins-bad, DVD folders the
# DVD reader of plugins-ugly, which the program hands its folder and title through GStreamer's
# own interface; the DVD tests author their folders with dvdauthor.
packages+=(gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly libgstreamer1.0-dev dvdauthor)
# The checks and the compiler cache of tools/run-tests.sh; trayer is the notification area of
# the tray tests.
packages+=(clang-format ccache trayer)
# Slide shows: LibreOffice converts the presentations, Qt Pdf renders their pages.
packages+=(libreoffice-impress-nogui qt6-pdf-dev)
# The Debian package (tools/make-deb.sh) and its check (tools/check-deb.sh): Debian's build
# tools, the manual page from --help, the icons rendered from SVG, the metainfo, desktop entry
# and unit checks; man-db lets systemd-analyze find the unit's manual page.
packages+=(dpkg-dev debhelper fakeroot lintian help2man librsvg2-bin appstream desktop-file-utils
    systemd man-db)
# The as-run journal signs with libsodium; its tests check closed days with the stock minisign.
packages+=(libsodium-dev minisign)
# The screen kept awake on air: xset for the X server's saver and DPMS; the tests run a session
# bus of their own (dbus-daemon).
packages+=(x11-xserver-utils dbus-daemon)
# The fleet link: libmosquitto; its tests run a real Mosquitto with certificates made by openssl
# and passwords by mosquitto_passwd.
packages+=(libmosquitto-dev mosquitto mosquitto-clients openssl)
# Emergency alerts: libxml2 reads them, xmlsec checks their signatures; the tests sign theirs
# with the xmlsec1 command and certificates made by openssl.
packages+=(libxml2-dev libxmlsec1-dev xmlsec1)
# The fleet dashboard's tests drive Debian's Chromium through its WebDriver from Python.
packages+=(chromium chromium-driver python3-selenium)
missing=()
# npm fetches Ruffle; a Node.js that brings its own npm (as NodeSource's does) conflicts with
# Debian's npm package, so it is only installed when no npm is there.
command -v npm >/dev/null 2>&1 || packages+=(npm)
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
