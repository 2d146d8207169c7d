#include "urlfetch.h"

#include <curl/curl.h>
#include <QDir>
#include <QUrl>

#include "base/failure.h"
#include "base/textfile.h"
#include "net/cappedbuffer.h"
#include "net/curlglobal.h"

namespace velumo {

namespace {

struct Watch {
    const std::atomic_bool* abort = nullptr;
    const ByteProgress* progress = nullptr;
};

int onFetchProgress(void* user, curl_off_t downTotal, curl_off_t downNow, curl_off_t, curl_off_t)
{
    const auto* watch = static_cast<const Watch*>(user);
    if (watch->abort && watch->abort->load())
        return 1;
    if (watch->progress && *watch->progress) {
        // Nothing may unwind through the library: a listener that fails only goes unheard.
        try {
            (*watch->progress)(downNow, downTotal > 0 ? downTotal : -1);
        } catch (...) {
        }
    }
    return 0;
}

QByteArray readLocal(const QString& path, const FetchLimits& limits)
{
    // Bounded and regular only: a pipe, a device or a huge file named as a feed is refused.
    return readFileBytes(path, limits.maxBytes);
}

}  // namespace

QByteArray fetchUrl(const QString& address, const QString& baseFolder, const FetchLimits& limits,
                    const std::atomic_bool* abort, const ByteProgress& progress)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        throw Failure(QStringLiteral("The address is empty"));
    if (!trimmed.contains(QLatin1String("://"))) {
        const QString path = QDir::isAbsolutePath(trimmed) ? trimmed : baseFolder + u'/' + trimmed;
        return readLocal(path, limits);
    }
    const QUrl url(trimmed);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
        scheme != QLatin1String("file"))
        throw Failure(QStringLiteral("Unsupported address \"%1\"")
                          .arg(url.toDisplayString(QUrl::RemoveUserInfo)));
    const QString shown = url.toDisplayString(QUrl::RemoveUserInfo);
    // A local file is read here rather than by the library, which would wait for good on a pipe.
    if (scheme == QLatin1String("file") && (url.host().isEmpty() || url.host() == "localhost"))
        return readLocal(url.toLocalFile(), limits);

    CurlGlobal::checkInitialised();
    CURL* curl = curl_easy_init();
    if (!curl)
        throw Failure(QStringLiteral("Cannot create a download"));
    CappedBuffer sink;
    sink.limit = limits.maxBytes;
    char errorBuffer[CURL_ERROR_SIZE + 1] = {};
    const QByteArray encoded = url.toEncoded();
    curl_easy_setopt(curl, CURLOPT_URL, encoded.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutS);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.totalTimeoutS);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Velumo/" VELUMO_VERSION);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CappedBuffer::append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    const Watch watch{abort, &progress};
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onFetchProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (sink.overflow || code == CURLE_FILESIZE_EXCEEDED)
        throw Failure(QStringLiteral("%1: larger than %2 bytes").arg(shown).arg(limits.maxBytes));
    if (code != CURLE_OK) {
        QString text = QString::fromUtf8(curl_easy_strerror(code));
        const QString detail = QString::fromUtf8(errorBuffer).trimmed();
        if (!detail.isEmpty() && detail != text)
            text += QLatin1String(": ") + detail;
        throw Failure(QStringLiteral("%1: %2 (%3)").arg(shown, text).arg(int(code)));
    }
    return sink.data;
}

}  // namespace velumo
