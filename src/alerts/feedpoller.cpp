#include "feedpoller.h"

#include <QCryptographicHash>
#include <QUrl>

#include "alerts/alertintake.h"
#include "base/clock.h"
#include "base/eventlog.h"
#include "base/timer.h"
#include "base/worker.h"

namespace velumo::alerts {

namespace {

QByteArray digestOf(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha256);
}

CapReading refused(const QString& fault)
{
    CapReading reading;
    reading.fault = fault;
    return reading;
}

}  // namespace

FeedPollResult pollFeed(const QString& url, FeedState state, const CapTrust& trust,
                        const std::atomic_bool& cancel)
{
    FeedPollResult result;
    result.state = state;
    const HttpAnswer answer = httpGet(url, state.feed, kMaxDocumentBytes, &cancel);
    if (!answer.ok()) {
        result.error = answer.error;
        return result;
    }
    Validators feed = answer.validators;
    feed.digest = answer.unchanged() ? state.feed.digest : digestOf(answer.body);
    if (answer.unchanged() || feed.digest == state.feed.digest) {
        result.state.feed = feed;
        return result;
    }
    const CapReading reading = readCap(answer.body, trust);
    if (reading.kind != CapReading::Kind::Index) {
        result.state = {feed, {}};
        result.readings.emplace_back(url, reading);
        return result;
    }
    bool allRead = true;
    QHash<QString, Validators> links;
    for (const QString& link : reading.links) {
        if (cancel.load())
            return result;
        const QString address = QUrl(url).resolved(QUrl(link)).toString();
        const Validators known = state.links.value(address);
        const HttpAnswer linked = httpGet(address, known, kMaxDocumentBytes, &cancel);
        Validators now = linked.validators;
        if (!linked.ok()) {
            // A document too large is refused for good; one not reached is asked again.
            allRead = allRead && linked.tooLarge;
            now = known;
            now.error = linked.error;
            if (linked.error != known.error)
                result.readings.emplace_back(address, refused(linked.error));
        } else if (!linked.unchanged() && digestOf(linked.body) != known.digest) {
            now.digest = digestOf(linked.body);
            CapReading document = readCap(linked.body, trust);
            if (document.kind == CapReading::Kind::Index)
                document = refused(QStringLiteral("an index linked from an index"));
            result.readings.emplace_back(address, std::move(document));
        } else if (linked.unchanged()) {
            now.digest = known.digest;
        }
        links.insert(address, now);
    }
    result.state.links = links;
    if (allRead)
        result.state.feed = feed;
    return result;
}

FeedPoller::FeedPoller(QString url, int pollS, int staleMin, AlertIntake& intake, Worker& worker,
                       TimerFactory& timers, const Clock& clock, EventLog* log, QObject* parent)
    : QObject(parent),
      m_url(std::move(url)),
      m_pollS(std::max(pollS, 5)),
      m_staleMin(std::max(staleMin, 1)),
      m_intake(intake),
      m_worker(worker),
      m_clock(clock),
      m_log(log),
      m_timer(timers.create(QStringLiteral("alerts feed")))
{
    m_timer->setHandler([this] {
        m_timer->stop();
        poll();
    });
}

FeedPoller::~FeedPoller() = default;

void FeedPoller::start()
{
    m_lastReadMs = m_clock.monotonicMs();
    poll();
}

void FeedPoller::poll()
{
    if (m_busy)
        return;
    m_busy = true;
    m_worker.run(
        this,
        [url = m_url, state = m_state, trust = m_intake.trust()](const auto& context) {
            return pollFeed(url, state, trust, context.cancelFlag());
        },
        [this](const JobResult<FeedPollResult>& result) {
            if (result.ok()) {
                onResult(*result.value);
            } else {
                FeedPollResult failed;
                failed.error = result.error;
                failed.state = m_state;
                onResult(std::move(failed));
            }
        });
}

void FeedPoller::onResult(FeedPollResult result)
{
    m_busy = false;
    const qint64 nowMs = m_clock.monotonicMs();
    const qint64 staleMs = qint64(m_staleMin) * 60'000;
    if (!result.error.isEmpty()) {
        ++m_failures;
        if (result.error != m_lastError)
            log(QStringLiteral("feed %1 cannot be read: %2").arg(m_url, result.error));
        m_lastError = result.error;
        if (!m_stale && nowMs - m_lastReadMs >= staleMs) {
            m_stale = true;
            log(QStringLiteral("feed %1 unread for %2 min: stale").arg(m_url).arg(m_staleMin));
            emit staleChanged(m_url, true);
        }
        const qint64 backOffS = std::min<qint64>(qint64(m_pollS) << std::min(m_failures, 16),
                                                 std::max(m_pollS, kMaxBackOffS));
        qint64 waitMs = backOffS * 1000;
        if (!m_stale)
            waitMs = std::min(waitMs, std::max<qint64>(0, m_lastReadMs + staleMs - nowMs));
        schedule(waitMs);
        emit polled(false);
        return;
    }
    if (m_failures > 0 || m_stale)
        log(QStringLiteral("feed %1 is read again").arg(m_url));
    m_failures = 0;
    m_lastError.clear();
    m_lastReadMs = nowMs;
    m_state = std::move(result.state);
    if (m_stale) {
        m_stale = false;
        emit staleChanged(m_url, false);
    }
    schedule(qint64(m_pollS) * 1000);
    for (const auto& [address, reading] : result.readings)
        m_intake.accept(reading, QStringLiteral("feed ") + address);
    emit polled(true);
}

void FeedPoller::schedule(qint64 waitMs)
{
    m_timer->setInterval(waitMs);
    m_timer->start();
}

void FeedPoller::log(const QString& text) const
{
    if (m_log)
        m_log->write(QStringLiteral("alert"), text);
}

}  // namespace velumo::alerts
