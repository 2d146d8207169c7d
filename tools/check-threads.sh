#!/usr/bin/env bash
# One way to run work on another thread: Worker (src/base/worker.h: a mailbox with a bounded
# shut-down) and its one variant with an event loop, LoopThread (src/base/loopthread.h). The MQTT
# client's network thread (src/fleet/mqttclient.*) is the one exception. Anywhere else a thread
# of its own, a condition variable, a thread pool or moveToThread fails here, so that no
# hand-rolled queue with a join() that may never return comes back. Asking which thread runs
# (QThread::currentThread) and a plain sleep are not threads and pass.
set -euo pipefail
cd "$(dirname "$0")/.."
allowed='^src/(base/worker|base/loopthread|fleet/mqttclient)\.(h|cpp)$'
hits=$(find src -name '*.cpp' -o -name '*.h' | sort | grep -Ev "$allowed" | xargs awk '
    {
        code = $0
        sub(/\/\/.*/, "", code)
        if (code ~ /^[ \t]*#include/) next
        gsub(/QThread::(currentThread|msleep|usleep|sleep|idealThreadCount)/, "", code)
        if (code ~ /std::(j?thread|async)|condition_variable|QWaitCondition|(^|[^A-Za-z_])QThread([^A-Za-z_]|$)|QThreadPool|QtConcurrent|moveToThread|pthread_create/)
            print FILENAME ":" FNR ": " $0
    }')
if [ -n "$hits" ]; then
    echo "a thread, a condition variable or moveToThread outside base/worker and base/loopthread" >&2
    echo "(run the work on a Worker, or objects that need an event loop on a LoopThread):" >&2
    echo "$hits" >&2
    exit 1
fi
