#!/usr/bin/env bash
# Every connection that calls the program's own code runs through the guard: connectGuarded()
# (src/base/guard.h), and so does every call put off for later: singleShotGuarded() and
# postGuarded() instead of QTimer::singleShot() and QMetaObject::invokeMethod(), and every event
# filter: filterEventsGuarded() instead of installEventFilter(). A plain connect(), singleShot(),
# invokeMethod() or installEventFilter() is allowed only for Qt's own plumbing (a Qt slot such as
# deleteLater or QEventLoop::quit, a signal passed on as a signal), and says so with the marker
# `// plain: <why>` at the end of its statement. Everything else fails here.
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(find src -name '*.cpp' -o -name '*.h' | sort | xargs awk '
    # A connect( in code (not in a comment) that is not disconnect( or connectGuarded(, a
    # QTimer::singleShot(, a QMetaObject::invokeMethod( or an installEventFilter(: follow
    # the statement to the parenthesis that closes the call; the marker is on its first or
    # last line.
    function scan(text, from,    i, c) {
        for (i = from; i <= length(text); i++) {
            c = substr(text, i, 1)
            if (c == "(") depth++
            else if (c == ")" && --depth == 0) return i
        }
        return 0
    }
    FNR == 1 { open = 0 }
    {
        if (!open) {
            code = $0
            sub(/\/\/.*/, "", code)
            if (match(code, /(^|[^A-Za-z_])connect\(|QTimer::singleShot\(|QMetaObject::invokeMethod\(|installEventFilter\(/) == 0) next
            start = FILENAME ":" FNR ": " $0
            marked = ($0 ~ /\/\/ plain: /)
            depth = 0
            end = scan($0, RSTART + RLENGTH - 1)
            open = 1
        } else {
            end = scan($0, 1)
        }
        if (end) {
            open = 0
            if (!marked && substr($0, end) !~ /\/\/ plain: /) print start
        }
    }')
if [ -n "$hits" ]; then
    echo "connect(), singleShot(), invokeMethod() or installEventFilter() to the program's own" >&2
    echo "code without the guard (use connectGuarded, singleShotGuarded, postGuarded or" >&2
    echo "filterEventsGuarded, or mark" >&2
    echo "Qt plumbing with a trailing '// plain: <why>'):" >&2
    echo "$hits" >&2
    exit 1
fi
