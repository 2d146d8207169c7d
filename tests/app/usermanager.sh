#!/usr/bin/env bash
# A user service manager of the test's own: systemd --user with a clean environment, in a mount
# namespace of its own (where /run/systemd/system says that systemd runs) and in control groups of
# its own below the machine's, so that it moves no other process. It runs until its standard
# input closes, then the manager is stopped (it stops its units) and the groups are removed.
# Needs root (a mount namespace, control groups).
# Usage: usermanager.sh RUNTIME_DIR HOME
set -euo pipefail
if [ "${1:-}" = --inside ]; then
    mount -t tmpfs tmpfs /run/systemd
    mkdir -p /run/systemd/system
    exec env -i HOME="$3" XDG_RUNTIME_DIR="$2" LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /lib/systemd/systemd --user
fi
runtime=$1
home=$2
group=velumo-test-manager-$$
hierarchies=()
for h in systemd unified cpu cpuacct memory pids; do
    [ -f "/sys/fs/cgroup/$h/cgroup.procs" ] && hierarchies+=("/sys/fs/cgroup/$h")
done
[ -f /sys/fs/cgroup/cgroup.procs ] && [ ${#hierarchies[@]} -eq 0 ] && hierarchies+=(/sys/fs/cgroup)
for h in "${hierarchies[@]}"; do
    mkdir "$h/$group"
    echo $$ >"$h/$group/cgroup.procs"
done
cleanup() {
    [ -n "${manager:-}" ] && kill -TERM "$manager" 2>/dev/null
    for _ in $(seq 1 100); do kill -0 "${manager:-0}" 2>/dev/null || break; sleep 0.1; done
    [ -n "${manager:-}" ] && kill -KILL "$manager" 2>/dev/null
    for h in "${hierarchies[@]}"; do
        echo $$ >"$h/cgroup.procs" 2>/dev/null || true
    done
    for h in "${hierarchies[@]}"; do
        # What the manager left behind is the test's own.
        for p in $(cat $(find "$h/$group" -name cgroup.procs) 2>/dev/null); do
            kill -KILL "$p" 2>/dev/null || true
        done
    done
    sleep 0.2
    for h in "${hierarchies[@]}"; do
        find "$h/$group" -depth -type d -exec rmdir {} \; 2>/dev/null || true
    done
}
trap cleanup EXIT
mkdir -p "$runtime" "$home"
chmod 0700 "$runtime"
unshare -m --propagation private "$0" --inside "$runtime" "$home" &
manager=$!
echo "manager $manager"
# Until the test closes our input.
cat >/dev/null || true
