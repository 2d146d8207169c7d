# Sourced by the benchmarks that run build/velumo on a display of its own: starts Xvfb on
# DISPLAY_NAME with the given screen size, ends it when the script ends, and exports DISPLAY.
# Usage: start_xvfb :72 1920x1080x24
start_xvfb() {
    local display="$1" screen="$2"
    Xvfb "$display" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
    for _ in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X${display#:}" ] && break
        sleep 0.1
    done
    unset QT_QPA_PLATFORM
    export DISPLAY="$display"
}
