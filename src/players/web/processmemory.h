#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace velumo {

// The memory a process holds, as the kernel reports it under /proc. The web window watches its
// page renderers with it.
//
// The resident set (VmRSS of /proc/PID/status) is the measure: that file is readable without
// the right to trace the process, and reading it costs some 40 microseconds, as the kernel
// keeps the count. The proportional set (Pss of smaps_rollup) needs that right (which a
// sandboxed process may refuse) and a walk of all the process's mappings, 5 to 6 ms for a
// page renderer, a third of a frame of the user-interface thread; and it moves whenever
// another process sharing the renderer's libraries starts or ends, so a ratio against it would
// swing with the other browser. The growth that matters, the heap of the page's scripts and
// documents, is private memory and counts fully in either.

// VmRSS of /proc/PID/status in KiB; -1 where the process is gone or the line is missing.
qint64 processResidentKb(qint64 pid);
// Pss of /proc/PID/smaps_rollup in KiB (-1 as above), for the figures of the benchmarks.
qint64 processProportionalKb(qint64 pid);

// The value in KiB of the "NAME:   1234 kB" line of a /proc text; -1 without one.
qint64 procFieldKb(const QByteArray& text, const QByteArray& name);

}  // namespace velumo
