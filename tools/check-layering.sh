#!/usr/bin/env bash
# The layering rules that the compiler cannot see. Every folder of src is a room on a floor: a
# room includes rooms of its own floor or of lower ones, never of a higher one, and no two rooms
# include each other. The fleet and the alerts have rules of their own below.
#
# tools/check-layering.sh              checks src
# tools/check-layering.sh --self-test  checks that the check fails on a forbidden include
set -euo pipefail
cd "$(dirname "$0")/.."

# The floors, lowest first; the README's layout table gives each room its floor.
floors=(
    "base"                      # 0: what two or more rooms use
    "devices system"            # 1: the ports, tones, mute and power; the operating system
    "ui"                        # 2: the main window, its pages' parts, the message boxes
    "net"                       # 3: FTP, dial-up, HTML export
    "players"                   # 4: one player per content kind
    "ticker"                    # 5: the block, the strip, the news feed
    "dispatcher onair"          # 6: plans and handlers; what is on air
    "fleet asrun alerts"        # 7: beside the core, reading it
    "panel"                     # 8: control panel, tray, clock and icon windows
    "app"                       # 9: the wiring
)

# The files of the alerts' side in the running program (library velumo_alerts_gui).
alertsGui='alertbandwindow|alertwindows|alertspage|alertsonair|alertstation'

widgets='#include <(QtWidgets|QtMultimedia|QtWebEngine|QWidget|QApplication|QDialog|QMessageBox|QMainWindow)'

# Checks the tree under the current folder (its src); prints every broken rule, fails on any.
check() {
    local status=0 hits table edges
    table=$(for i in "${!floors[@]}"; do for room in ${floors[$i]}; do echo "$room $i"; done; done)

    # Every room stands on a floor.
    for dir in src/*/; do
        room=$(basename "$dir")
        if ! grep -q "^$room " <<<"$table"; then
            echo "src/$room stands on no floor: give it one in tools/check-layering.sh" >&2
            status=1
        fi
    done

    # No include reaches a higher floor.
    if hits=$(grep -rnE --include='*.cpp' --include='*.h' '^#include "[a-z]+/' src |
        awk -v table="$table" '
            BEGIN {
                n = split(table, rows, "\n")
                for (i = 1; i <= n; i++) { split(rows[i], f, " "); floor[f[1]] = f[2] }
            }
            {
                split($0, path, "/"); from = path[2]
                to = $0; sub(/^[^:]*:[0-9]+:#include "/, "", to); sub(/\/.*/, "", to)
                if ((from in floor) && (to in floor) && floor[to] + 0 > floor[from] + 0)
                    printf "%s\n    (%s on floor %d includes %s on floor %d)\n", $0, from,
                           floor[from], to, floor[to]
            }') && [ -n "$hits" ]; then
        echo "includes that reach a higher floor:" >&2
        echo "$hits" >&2
        status=1
    fi

    # The fleet library (velumo_fleet) stands beside the core: no widget, no window of src/ui,
    # and only the wiring in src/app reaches into it. Its windows side, src/fleet/gui, is built
    # into the windows library: it may use widgets and the windows below it, never the wiring,
    # and the library never includes it.
    if hits=$(grep -rnE "$widgets|#include \"(ui|app|fleet/gui)/" src/fleet --include='*.cpp' --include='*.h' |
        grep -v '^src/fleet/gui/'); then
        echo "src/fleet uses widgets or windows:" >&2
        echo "$hits" >&2
        status=1
    fi
    if hits=$(grep -rn '#include "app/' src/fleet/gui --include='*.cpp' --include='*.h'); then
        echo "src/fleet/gui uses the wiring:" >&2
        echo "$hits" >&2
        status=1
    fi
    if hits=$(grep -rn '#include "fleet/' src --include='*.cpp' --include='*.h' | grep -vE '^src/(app|fleet)/'); then
        echo "src/fleet is included outside src/app:" >&2
        echo "$hits" >&2
        status=1
    fi
    # Emergency alerts (velumo_alerts) stand on src/base alone. Their side in the running
    # program (velumo_alerts_gui: the band, the screen's outputs, the page, the on-air model's
    # entries) also uses widgets, the windows of src/ui, the tones and mute of src/devices, the
    # strip's priority texts of src/ticker and the on-air model, nothing more.
    if hits=$(grep -rnE "$widgets|#include \"[a-z]+/" src/alerts --include='*.cpp' --include='*.h' | grep -vE "^src/alerts/($alertsGui)\.(cpp|h):" | grep -vE '#include "(base|alerts)/'); then
        echo "src/alerts uses more than src/base:" >&2
        echo "$hits" >&2
        status=1
    fi
    if hits=$(grep -rnE '#include "[a-z]+/' src/alerts --include='*.cpp' --include='*.h' | grep -E "^src/alerts/($alertsGui)\.(cpp|h):" | grep -vE '#include "(base|alerts|ui|devices|ticker|onair)/'); then
        echo "the alerts' side in the program uses more than base, ui, devices, ticker and onair:" >&2
        echo "$hits" >&2
        status=1
    fi
    if hits=$(grep -rn '#include "alerts/' src --include='*.cpp' --include='*.h' | grep -vE '^src/(app|alerts)/'); then
        echo "src/alerts is included outside src/app:" >&2
        echo "$hits" >&2
        status=1
    fi
    # The operating system's adapters (the service manager, the screen hold, the desktop, the
    # stop signals) stand on src/base alone.
    if hits=$(grep -rnE '#include "[a-z]+/' src/system --include='*.cpp' --include='*.h' | grep -vE '#include "(base|system)/'); then
        echo "src/system uses more than src/base:" >&2
        echo "$hits" >&2
        status=1
    fi
    # What is on air reads the players, the strip and the dispatcher; the fleet, the journal, the
    # wiring and the windows read it.
    if hits=$(grep -rnE '#include "[a-z]+/' src/onair --include='*.cpp' --include='*.h' | grep -vE '#include "(base|players|ticker|dispatcher|onair)/'); then
        echo "src/onair uses more than src/base, players, ticker and dispatcher:" >&2
        echo "$hits" >&2
        status=1
    fi

    # No two rooms include each other (on one floor either may include the other, not both).
    edges=$(grep -rhoE --include='*.cpp' --include='*.h' '^#include "[a-z]+/' src -H |
        sed -E 's#^src/([a-z]+)/[^:]*:\#include "([a-z]+)/#\1 \2#' | awk '$1 != $2' | sort -u)
    while read -r from to; do
        [ -z "$from" ] && continue
        if grep -qx "$to $from" <<<"$edges"; then
            echo "folders include each other: src/$from <-> src/$to" >&2
            status=1
        fi
    done <<<"$edges"
    return $status
}

# A copy of src passes; the same copy with one include of a higher floor fails and names it.
selfTest() {
    local tmp out
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' RETURN
    cp -r src "$tmp/src"
    if ! (cd "$tmp" && check) 2>/dev/null; then
        echo "self-test: the check fails on src as it is; run tools/check-layering.sh" >&2
        return 1
    fi
    # An include of a higher floor, and the fleet's library reaching into its windows side.
    local victim forbidden line
    for pair in 'src/base/settings.cpp|#include "ui/settingswindow.h"' \
        'src/fleet/fleetlink.cpp|#include "fleet/gui/centrepage.h"'; do
        victim=${pair%%|*} forbidden=${pair#*|}
        echo "$forbidden" >>"$tmp/$victim"
        line=$(wc -l <"$tmp/$victim")
        if out=$( (cd "$tmp" && check) 2>&1); then
            echo "self-test: the check passed $forbidden in $victim" >&2
            return 1
        fi
        if ! grep -qF "$victim:$line:$forbidden" <<<"$out"; then
            echo "self-test: the check failed without naming the line:" >&2
            echo "$out" >&2
            return 1
        fi
        cp "$victim" "$tmp/$victim"
        echo "self-test: the check fails on $victim:$line and names it"
    done
}

case "${1:-}" in
    --self-test) selfTest ;;
    "") check ;;
    *)
        echo "usage: tools/check-layering.sh [--self-test]" >&2
        exit 2
        ;;
esac
