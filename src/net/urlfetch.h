#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

#include "net/progressthrottle.h"

namespace velumo {

struct FetchLimits {
    qint64 maxBytes = 10 * 1024 * 1024;
    long connectTimeoutS = 15;
    long totalTimeoutS = 60;
};

// Fetches a document from an http, https or file address, or from a file path (relative paths
// are taken from baseFolder). Blocking; for worker threads. Throws Failure with the reason when
// the address cannot be read, the document is larger than the limit or takes too long.
// progress hears the bytes that have come against the announced size (-1 when none is).
QByteArray fetchUrl(const QString& address, const QString& baseFolder,
                    const FetchLimits& limits = {}, const std::atomic_bool* abort = nullptr,
                    const ByteProgress& progress = {});

}  // namespace velumo
