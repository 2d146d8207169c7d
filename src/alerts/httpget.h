#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

namespace velumo::alerts {

// What a server said of the version of a document it sent (ETag, Last-Modified, as sent), so the
// next request asks only for a newer one; with what the station last made of it.
struct Validators {
    QByteArray etag;
    QByteArray lastModified;
    QByteArray digest;  // of the body last read: a server that sends no validators
    QString error;      // the last failure to read it, so that a lasting one is logged once
};

struct HttpAnswer {
    int status = 0;  // 200 or 304 when ok
    QByteArray body;
    Validators validators;
    QString error;          // not reached, a status other than 200 and 304, too large, cancelled
    bool tooLarge = false;  // the error is the body's size: it will not get smaller by asking

    bool ok() const { return error.isEmpty(); }
    bool unchanged() const { return status == 304; }
};

// A conditional GET of an http or https address (If-None-Match, If-Modified-Since from known),
// following up to five redirects within http and https, refusing a body over maxBytes (also
// after decompression). Blocking, for a worker: at most kConnectTimeoutS to connect and
// kTotalTimeoutS in all; ends soon after *cancel is set.
HttpAnswer httpGet(const QString& url, const Validators& known, qint64 maxBytes,
                   const std::atomic_bool* cancel = nullptr);

inline constexpr long kConnectTimeoutS = 10;
inline constexpr long kTotalTimeoutS = 30;

}  // namespace velumo::alerts
