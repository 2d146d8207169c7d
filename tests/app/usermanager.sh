#!/usr/bin/env bash
# A user service manager of the test's own: systemd --user with a clean environment, in a mount
# namespace where /run/systemd/system says that systemd runs, and in control groups of its own
# below the machine's, so that it moves no other process. It runs until its standard input
# closes; then the manager stops its units and ends, and the groups go. Needs root.
# Usage: usermanager.sh RUNTIME_DIR HOME
set -euo pipefail
if [ "$1" = --inside ]; then
    mount -t tmpfs tmpfs /run/systemd && mkdir -p /run/systemd/system
    exec env -i HOME="$3" XDG_RUNTIME_DIR="$2" LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        /lib/systemd/systemd --user
fi
group=velumo-test-manager-$$
hierarchies=()
for h in systemd unified cpu cpuacct memory pids; do
    [ -f "/sys/fs/cgroup/$h/cgroup.procs" ] && hierarchies+=("/sys/fs/cgroup/$h")
done
for h in "${hierarchies[@]}"; do mkdir "$h/$group" && echo $$ >"$h/$group/cgroup.procs"; done
cleanup() {
    set +e
    kill -TERM "$manager"
    # The manager stops each unit within its stop timeout, then ends (a zombie until waited).
    for _ in $(seq 1 450); do
        [ "$(cut -d' ' -f3 "/proc/$manager/stat" 2>/dev/null || echo Z)" = Z ] && break
        sleep 0.1
    done
    kill -KILL "$manager"
    wait "$manager"
    for h in "${hierarchies[@]}"; do
        echo $$ >"$h/cgroup.procs"
        kill -KILL $(cat $(find "$h/$group" -name cgroup.procs)) 2>/dev/null
    done
    sleep 0.2
    for h in "${hierarchies[@]}"; do find "$h/$group" -depth -type d -exec rmdir {} \; ; done
}
mkdir -p "$1" "$2" && chmod 0700 "$1"
unshare -m --propagation private "$0" --inside "$1" "$2" &
manager=$!
trap cleanup EXIT
cat >/dev/null || true
