#!/usr/bin/env bash
# The layering rules that the compiler cannot see: nothing outside src/app includes it, and no
# two folders of src include each other.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
if hits=$(grep -rn '#include "app/' src --include='*.cpp' --include='*.h' | grep -v '^src/app/'); then
    echo "src/app is included outside src/app:" >&2
    echo "$hits" >&2
    status=1
fi
# The fleet library (velumo_fleet) stands beside the core: no widget, no window of src/ui, and
# only the wiring in src/app reaches into it.
if hits=$(grep -rnE '#include <(QtWidgets|QtMultimedia|QtWebEngine|QWidget|QApplication|QDialog|QMessageBox|QMainWindow)|#include "(ui|app)/' src/fleet --include='*.cpp' --include='*.h'); then
    echo "src/fleet uses widgets or windows:" >&2
    echo "$hits" >&2
    status=1
fi
if hits=$(grep -rn '#include "fleet/' src --include='*.cpp' --include='*.h' | grep -vE '^src/(app|fleet)/'); then
    echo "src/fleet is included outside src/app:" >&2
    echo "$hits" >&2
    status=1
fi
# Emergency alerts (velumo_alerts) stand on src/base alone: the windows and the fleet plug in to
# their interfaces from src/app.
if hits=$(grep -rnE '#include <(QtWidgets|QtMultimedia|QtWebEngine|QWidget|QApplication|QDialog|QMessageBox|QMainWindow)|#include "[a-z]+/' src/alerts --include='*.cpp' --include='*.h' | grep -vE '#include "(base|alerts)/'); then
    echo "src/alerts uses more than src/base:" >&2
    echo "$hits" >&2
    status=1
fi
if hits=$(grep -rn '#include "alerts/' src --include='*.cpp' --include='*.h' | grep -vE '^src/(app|alerts)/'); then
    echo "src/alerts is included outside src/app:" >&2
    echo "$hits" >&2
    status=1
fi
# Arrows that would point up a floor: the network room does not reach into the ticker (the
# upload reads the text through base/blocktext.h), and the devices have no window of their own
# (their page is the dispatcher's).
for arrow in "net ticker" "devices ui"; do
    read -r from to <<<"$arrow"
    if hits=$(grep -rn "#include \"$to/" "src/$from" --include='*.cpp' --include='*.h'); then
        echo "src/$from includes src/$to:" >&2
        echo "$hits" >&2
        status=1
    fi
done
edges=$(grep -rhoE --include='*.cpp' --include='*.h' '^#include "[a-z]+/' src -H |
    sed -E 's#^src/([a-z]+)/[^:]*:\#include "([a-z]+)/#\1 \2#' | awk '$1 != $2' | sort -u)
while read -r from to; do
    [ -z "$from" ] && continue
    if grep -qx "$to $from" <<<"$edges"; then
        echo "folders include each other: src/$from <-> src/$to" >&2
        status=1
    fi
done <<<"$edges"
exit $status
