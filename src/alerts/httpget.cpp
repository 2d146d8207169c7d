#include "httpget.h"

#include <curl/curl.h>
#include <memory>

namespace velumo::alerts {

namespace {

struct Transfer {
    QByteArray body;
    qint64 limit = 0;
    bool overflow = false;
    Validators validators;
    const std::atomic_bool* cancel = nullptr;
};

size_t onBody(char* bytes, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (transfer->body.size() + qint64(length) > transfer->limit) {
        transfer->overflow = true;
        return 0;
    }
    transfer->body.append(bytes, qsizetype(length));
    return length;
}

// Header lines of every response on the way; a redirect's are forgotten at the next status line.
size_t onHeader(char* bytes, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const QByteArray line = QByteArray(bytes, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/"))
        transfer->validators = {};
    const qsizetype colon = line.indexOf(':');
    if (colon > 0) {
        const QByteArray name = line.left(colon).trimmed().toLower();
        if (name == "etag")
            transfer->validators.etag = line.mid(colon + 1).trimmed();
        else if (name == "last-modified")
            transfer->validators.lastModified = line.mid(colon + 1).trimmed();
    }
    return size * count;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* transfer = static_cast<Transfer*>(user);
    return transfer->cancel && transfer->cancel->load() ? 1 : 0;
}

}  // namespace

HttpAnswer httpGet(const QString& url, const Validators& known, qint64 maxBytes,
                   const std::atomic_bool* cancel)
{
    HttpAnswer answer;
    const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        answer.error = QStringLiteral("libcurl cannot be set up");
        return answer;
    }
    Transfer transfer;
    transfer.limit = maxBytes;
    transfer.cancel = cancel;
    const QByteArray address = url.toUtf8();
    curl_slist* headers = nullptr;
    if (!known.etag.isEmpty())
        headers = curl_slist_append(headers, ("If-None-Match: " + known.etag).constData());
    if (!known.lastModified.isEmpty())
        headers =
            curl_slist_append(headers, ("If-Modified-Since: " + known.lastModified).constData());
    const std::unique_ptr<curl_slist, void (*)(curl_slist*)> headerList(headers,
                                                                        curl_slist_free_all);
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutS);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, kTotalTimeoutS);
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes));
    curl_easy_setopt(c, CURLOPT_USERAGENT, "velumo");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    const CURLcode code = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    answer.status = int(status);
    answer.tooLarge = transfer.overflow || code == CURLE_FILESIZE_EXCEEDED;
    if (answer.tooLarge)
        answer.error = QStringLiteral("larger than %1 bytes").arg(maxBytes);
    else if (code != CURLE_OK)
        answer.error = QString::fromUtf8(curl_easy_strerror(code));
    else if (status != 200 && status != 304)
        answer.error = QStringLiteral("HTTP status %1").arg(status);
    if (!answer.ok())
        return answer;
    answer.body = std::move(transfer.body);
    answer.validators = transfer.validators;
    // A 304 may leave its validators out: those of the version held still hold.
    if (status == 304 && answer.validators.etag.isEmpty() &&
        answer.validators.lastModified.isEmpty())
        answer.validators = known;
    return answer;
}

}  // namespace velumo::alerts
