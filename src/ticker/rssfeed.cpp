#include "rssfeed.h"

#include <QUrl>

#include "base/commandreply.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "base/worker.h"
#include "net/progressthrottle.h"
#include "ticker/blockedits.h"
#include "ticker/feedsink.h"
#include "ticker/rssdocument.h"

namespace velumo {

const QString RssFeed::kVersionError =
    QStringLiteral(" Ошибка - эта версия программы поддерживает RSS версии ТОЛЬКО 2.0");
const QString RssFeed::kBadAddress = QStringLiteral("Неверный адрес RSS-канала");
const QString RssFeed::kLoadNotice = QStringLiteral(
    "Строковая информация из RSS-канала новостей будет загружена в окно контента бегущей строки.");

namespace {

constexpr qint64 kMinuteMs = 60000;
// How often the download's progress may reach the page.
constexpr qint64 kProgressIntervalMs = 100;
const QString kMark = QStringLiteral(" _ ");

}  // namespace

RssFeed::RssFeed(Settings& settings, FeedSink& block, BlockEdits& edits, Notifier& notifier,
                 EventLog* log, TimerFactory& timers, QString programFolder, FetchLimits limits,
                 QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_block(block),
      m_edits(edits),
      m_notifier(notifier),
      m_log(log),
      m_folder(std::move(programFolder)),
      m_limits(limits),
      m_timer(timers.create(QStringLiteral("TimerRSS"))),
      m_worker(
          std::make_unique<Worker>(QStringLiteral("rss"), Worker::Order::Serial, 1, &notifier, log))
{
    m_timer->setInterval(kMinuteMs);
    m_timer->setHandler([this] { guarded(m_notifier, [this] { TimerRSSTimer(); }); });
}

RssFeed::~RssFeed()
{
    m_worker->shutDown();
}

void RssFeed::netLog(const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("net"), QStringLiteral("rss: ") + text);
}

QString RssFeed::shownAddress() const
{
    if (!m_lastAddress.contains(QLatin1String("://")))
        return m_lastAddress;
    return QUrl(m_lastAddress.trimmed()).toDisplayString(QUrl::RemoveUserInfo);
}

qsizetype RssFeed::feedLines() const
{
    return m_block.feedLineCount();
}

void RssFeed::ReadRssFeed(std::function<void(bool applied)> after)
{
    const std::shared_ptr<Notifier::Account> account = m_notifier.currentAccount();
    m_lastAddress = m_settings.text(key::SCEdit20);
    const QString address = m_lastAddress;
    ++m_pending;
    netLog(QStringLiteral("reading %1").arg(shownAddress()));
    m_activity.begin(shownAddress());
    emit activityChanged();
    // Progress reaches this thread as (bytes, total).
    using Progress = std::pair<qint64, qint64>;
    m_worker->run<Progress>(
        this,
        [address, folder = m_folder, limits = m_limits](const JobContext<Progress>& job) {
            RssDocument document;
            ProgressThrottle throttle(kProgressIntervalMs);
            const ByteProgress progress = [&job, &throttle](qint64 done, qint64 total) {
                if (throttle.due(done, total))
                    job.report({done, total});
            };
            try {
                document =
                    readRssDocument(fetchUrl(address, folder, limits, &job.cancelFlag(), progress));
            } catch (const Failure& failure) {
                document.error = failure.text();
            }
            return document;
        },
        [this](const Progress& progress) {
            m_activity.phase = NetActivity::Phase::Transferring;
            m_activity.bytes = progress.first;
            m_activity.total = progress.second;
            emit activityChanged();
        },
        [this, after, account](const JobResult<RssDocument>& result) {
            // What the read shows now is its command's, when a command asked for it.
            const Notifier::Charge charge(m_notifier, account);
            RssDocument document;
            if (result.ok())
                document = *result.value;
            else
                document.error = result.error;
            --m_pending;
            bool applied = false;
            guarded(m_notifier, [&] { applied = applyDocument(document); });
            showResult(document, applied);
            if (after)
                guarded(m_notifier, [&] { after(applied); });
            emit readFinished(applied);
        });
}

void RssFeed::showResult(const RssDocument& document, bool applied)
{
    if (!applied) {
        m_activity.fail(document.error.isEmpty()
                            ? kBadAddress
                            : kBadAddress + QStringLiteral(" — ") + document.error);
    } else {
        m_activity.succeed();
        m_activity.feedLines = int(feedLines());
        if (document.hasVersion && document.version != QLatin1String("2.0"))
            m_activity.result = kVersionError.trimmed();
    }
    emit activityChanged();
}

bool RssFeed::applyDocument(const RssDocument& document)
{
    if (!document.parsed || document.isEmptyOfFeed()) {
        // Nothing usable came: the previous read's lines stay.
        netLog(QStringLiteral("%1: not a feed: %2")
                   .arg(shownAddress(), document.error.isEmpty()
                                            ? QStringLiteral("no rss, channel or item")
                                            : document.error));
        m_notifier.message(kBadAddress);
        return false;
    }
    m_edits.flushEdits();
    if (document.hasVersion && document.version != QLatin1String("2.0")) {
        // The error line is not a feed line, so it would stay; one copy is enough.
        m_block.replaceFeedLines(m_block.holdsLine(kVersionError) ? QStringList()
                                                                  : QStringList{kVersionError});
        netLog(QStringLiteral("%1: RSS version %2 refused").arg(shownAddress(), document.version));
        return true;
    }
    if (!document.hasRss || !document.hasVersion)
        m_notifier.message(kBadAddress);
    QStringList lines;
    if (document.hasLastBuildDate)
        lines.append(kMark + document.lastBuildDate);
    for (const QString& item : document.items)
        lines.append(kMark + item);
    m_block.replaceFeedLines(lines);
    netLog(
        QStringLiteral("%1: %2 items%3")
            .arg(shownAddress())
            .arg(document.items.size())
            .arg(document.itemsWithoutChild
                     ? QStringLiteral(", %1 empty items left out").arg(document.itemsWithoutChild)
                     : QString()));
    return true;
}

void RssFeed::enableTimer()
{
    m_timer->setInterval(m_settings.spin(key::SpinEdit3) * kMinuteMs);
    m_timer->start();
}

void RssFeed::SCButton12Click()
{
    connectFeed({});
}

void RssFeed::connectFeed(std::function<void(bool applied)> finished)
{
    ReadRssFeed([this, finished = std::move(finished)](bool applied) {
        if (m_settings.checked(key::SCCheckbox13))
            enableTimer();
        if (finished)
            finished(applied);
    });
}

void RssFeed::readForCommand(const std::shared_ptr<CommandReply>& reply)
{
    connectFeed([this, reply](bool applied) {
        if (!applied)
            reply->fail(QStringLiteral("the feed was not read: %1").arg(shownAddress()));
        else
            reply->done(QStringLiteral("read %1 lines").arg(feedLines()));
    });
}

void RssFeed::SCButton82Click()
{
    m_notifier.message(kLoadNotice);
    ReadRssFeed();
}

void RssFeed::SCCheckbox13Click()
{
    if (m_settings.checked(key::SCCheckbox13))
        enableTimer();
    else
        m_timer->stop();
}

void RssFeed::SpinEdit3Click()
{
    m_timer->setInterval(m_settings.spin(key::SpinEdit3) * kMinuteMs);
}

void RssFeed::TimerRSSTimer()
{
    if (busy()) {
        netLog(QStringLiteral("timer read skipped, the previous read has not ended"));
        return;
    }
    ReadRssFeed();
}

void RssFeed::armAtStartup()
{
    if (m_settings.checked(key::SCCheckbox24))
        enableTimer();
}

}  // namespace velumo
